// Native build of the fuzz targets: the data-protection blob (see windows.h here).
#pragma once

#include "windows.h"

typedef struct {
    DWORD cbData;
    BYTE* pbData;
} DATA_BLOB;

BOOL CryptUnprotectData(DATA_BLOB* in, wchar_t** description, DATA_BLOB* entropy, void* reserved,
                        void* prompt, DWORD flags, DATA_BLOB* out);
