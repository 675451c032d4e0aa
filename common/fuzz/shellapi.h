// Native build of the fuzz targets: the shell's file operation (see windows.h here).
#pragma once

#include "windows.h"

#define FO_DELETE 3

typedef struct {
    HWND hwnd;
    UINT wFunc;
    const char* pFrom;
    const char* pTo;
    WORD fFlags;
    BOOL fAnyOperationsAborted;
    void* hNameMappings;
    const char* lpszProgressTitle;
} SHFILEOPSTRUCTA;

int SHFileOperationA(SHFILEOPSTRUCTA* operation);
