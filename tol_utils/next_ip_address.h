// nextipaddress: steps an IPv4 address (network order, first octet in the lowest byte) to the
// next one for a range sweep. A carry into the third octet restarts the last octet at 1, so no
// carry produces an address ending in 0; 255.255.255.255 is followed by 0.0.0.1.
#pragma once

#include "tol_utils_api.h"

TOL_UTILS_API long nextipaddress(long address);
