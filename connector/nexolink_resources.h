// Resource identifiers of Nexolink.
#pragma once

#define IDR_IE_CONNECTER 101
