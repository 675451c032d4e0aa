// Native build of the fuzz targets: the address reader of Windows Sockets, whose inet_addr
// reads the same dotted forms as the BSD sockets' one (see windows.h here).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>

#include "windows.h"
