// The few Windows types and calls that the parsers fed by `make fuzz` use, for their native
// build on the build machine (clang, libFuzzer). win32_native.cpp implements the calls as
// Windows documents them; a call no target should reach aborts, so a fuzz run never goes on
// with a result Windows would not give.
//
// Texts: a wchar_t holds one UTF-16 unit, as on Windows (natively it is wider, which the code
// fed here never relies on). DWORD and LONG keep their Windows types (unsigned long, long),
// which are wider here: structures whose layout matters give their fields' widths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cwchar>  // as the real header brings in the C run-time's wide-text calls

#define WINAPI
#define CALLBACK
#define DECLSPEC_IMPORT

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned long DWORD;
typedef unsigned int UINT;
typedef long LONG;
typedef int32_t HRESULT;
typedef uint64_t ULONGLONG;
typedef void* HANDLE;
typedef void* HMODULE;
typedef void* HWND;
typedef void* LPVOID;
typedef void* PSID;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef wchar_t WCHAR;
typedef wchar_t* LPWSTR;
typedef const wchar_t* LPCWSTR;
typedef wchar_t* BSTR;

#define TRUE 1
#define FALSE 0
#define S_OK ((HRESULT)0)
#define E_POINTER ((HRESULT)0x80004003)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#define CP_ACP 0
#define CP_THREAD_ACP 3
#define CP_UTF8 65001
#define WC_ERR_INVALID_CHARS 0x00000080
#define HEAP_ZERO_MEMORY 0x00000008
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_INVALID_PARAMETER 87
#define ERROR_NO_UNICODE_TRANSLATION 1113
#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000

typedef struct {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME;

typedef union {
    struct {
        uint32_t LowPart;
        uint32_t HighPart;
    };
    uint64_t QuadPart;
} ULARGE_INTEGER;

typedef struct {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
} SYSTEMTIME;

#define EVENTLOG_SUCCESS 0x0000
#define EVENTLOG_ERROR_TYPE 0x0001
#define EVENTLOG_WARNING_TYPE 0x0002
#define EVENTLOG_INFORMATION_TYPE 0x0004
#define EVENTLOG_AUDIT_SUCCESS 0x0008
#define EVENTLOG_AUDIT_FAILURE 0x0010

// The fixed part of an event-log record, as winnt.h lays it out.
typedef struct {
    uint32_t Length;
    uint32_t Reserved;
    uint32_t RecordNumber;
    uint32_t TimeGenerated;
    uint32_t TimeWritten;
    uint32_t EventID;
    uint16_t EventType;
    uint16_t NumStrings;
    uint16_t EventCategory;
    uint16_t ReservedFlags;
    uint32_t ClosingRecordNumber;
    uint32_t StringOffset;
    uint32_t UserSidLength;
    uint32_t UserSidOffset;
    uint32_t DataLength;
    uint32_t DataOffset;
} EVENTLOGRECORD;

DWORD GetLastError();
void SetLastError(DWORD error);
HANDLE GetProcessHeap();
void* HeapAlloc(HANDLE heap, DWORD flags, size_t bytes);
void* HeapReAlloc(HANDLE heap, DWORD flags, void* block, size_t bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, void* block);
void* LocalFree(void* block);
void GetSystemTimeAsFileTime(FILETIME* time);
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int bytes, wchar_t* out,
                        int chars);
int WideCharToMultiByte(UINT codePage, DWORD flags, const wchar_t* text, int chars, char* out,
                        int bytes, const char* defaultChar, BOOL* usedDefault);
DWORD FormatMessageA(DWORD flags, const void* source, DWORD id, DWORD language, char* buffer,
                     DWORD size, void* arguments);
DWORD FormatMessageW(DWORD flags, const void* source, DWORD id, DWORD language, wchar_t* buffer,
                     DWORD size, void* arguments);
void* SecureZeroMemory(void* block, size_t bytes);

// The C run-time's 64-bit clock (seconds since 1970).
typedef long long __time64_t;
__time64_t _time64(__time64_t* out);
