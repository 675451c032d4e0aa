// The calls of windows.h, wincrypt.h, shellapi.h and oleauto.h in this folder, for the native
// build of the fuzz targets, done as Windows documents them: process-heap blocks (zeroed on
// request, grown with their new bytes zeroed), UTF-8 conversions that replace invalid input
// with U+FFFD (the ANSI code page: see IsAnsi), BSTRs led by their byte length. Calls that the
// fuzzed code must never reach (message texts, data protection, the shell) abort.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "oleauto.h"
#include "shellapi.h"
#include "wincrypt.h"
#include "windows.h"

namespace {

thread_local DWORD g_lastError = 0;

[[noreturn]] void NotReached(const char* call)
{
    fprintf(stderr, "%s is not available to the native fuzz build\n", call);
    abort();
}

// A heap block remembers its size in front of the caller's bytes.
constexpr size_t kBlockHeader = 16;

size_t& BlockSize(void* block)
{
    return *reinterpret_cast<size_t*>(static_cast<char*>(block) - kBlockHeader);
}

void* NewBlock(size_t bytes, bool zero)
{
    char* raw =
        static_cast<char*>(zero ? calloc(1, kBlockHeader + bytes) : malloc(kBlockHeader + bytes));
    if (!raw)
        return nullptr;
    void* block = raw + kBlockHeader;
    BlockSize(block) = bytes;
    return block;
}

// The ANSI code page is taken to be Windows-1252 (an English system's): its bytes 0x80..0x9F
// as the table gives them (the five it leaves undefined map to the same control codes), the
// rest as Latin-1. A character it lacks becomes the default character "?" (best-fit mapping
// left out).
const uint16_t kAnsiHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsAnsi(UINT codePage)
{
    if (codePage == CP_UTF8)
        return false;
    if (codePage != CP_ACP && codePage != CP_THREAD_ACP)
        NotReached("A conversion with a code page other than UTF-8 and the ANSI one");
    return true;
}

uint32_t AnsiToPoint(unsigned char byte)
{
    return byte >= 0x80 && byte <= 0x9F ? kAnsiHigh[byte - 0x80] : byte;
}

unsigned char PointToAnsi(uint32_t point)
{
    if (point < 0x80 || (point >= 0xA0 && point <= 0xFF))
        return static_cast<unsigned char>(point);
    for (unsigned k = 0; k < 32; ++k)
        if (kAnsiHigh[k] == point)
            return static_cast<unsigned char>(0x80 + k);
    return '?';
}

// The next code point of UTF-8 text, or U+FFFD for an invalid sequence (one maximal part of
// it consumed).
uint32_t NextCodePoint(const unsigned char* text, size_t size, size_t* at)
{
    unsigned char lead = text[*at];
    ++*at;
    if (lead < 0x80)
        return lead;
    int more = 0;
    uint32_t point = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1;
        point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2;
        point = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3;
        point = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0xFFFD;
    }
    for (int k = 0; k < more; ++k) {
        if (*at >= size || text[*at] < low || text[*at] > high)
            return 0xFFFD;
        point = (point << 6) | (text[*at] & 0x3F);
        ++*at;
        low = 0x80;
        high = 0xBF;
    }
    return point;
}

}  // namespace

DWORD GetLastError()
{
    return g_lastError;
}
void SetLastError(DWORD error)
{
    g_lastError = error;
}

HANDLE GetProcessHeap()
{
    static int heap;
    return &heap;
}

void* HeapAlloc(HANDLE, DWORD flags, size_t bytes)
{
    return NewBlock(bytes, (flags & HEAP_ZERO_MEMORY) != 0);
}

void* HeapReAlloc(HANDLE, DWORD flags, void* block, size_t bytes)
{
    void* grown = NewBlock(bytes, (flags & HEAP_ZERO_MEMORY) != 0);
    if (!grown)
        return nullptr;
    size_t had = BlockSize(block);
    memcpy(grown, block, had < bytes ? had : bytes);
    free(static_cast<char*>(block) - kBlockHeader);
    return grown;
}

BOOL HeapFree(HANDLE, DWORD, void* block)
{
    if (block)
        free(static_cast<char*>(block) - kBlockHeader);
    return TRUE;
}

void* LocalFree(void*)
{
    NotReached("LocalFree");
}

void GetSystemTimeAsFileTime(FILETIME* out)
{
    // 100-ns intervals since 1601.
    uint64_t ticks = (static_cast<uint64_t>(time(nullptr)) + 11644473600ull) * 10000000ull;
    out->dwLowDateTime = static_cast<DWORD>(ticks);
    out->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
}

__time64_t _time64(__time64_t* out)
{
    __time64_t now = static_cast<__time64_t>(time(nullptr));
    if (out)
        *out = now;
    return now;
}

int MultiByteToWideChar(UINT codePage, DWORD, const char* text, int bytes, wchar_t* out, int chars)
{
    bool ansi = IsAnsi(codePage);
    if (!text || bytes == 0 || bytes < -1 || chars < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t size = bytes == -1 ? strlen(text) + 1 : static_cast<size_t>(bytes);
    const auto* in = reinterpret_cast<const unsigned char*>(text);
    int made = 0;
    for (size_t at = 0; at < size;) {
        uint32_t point = ansi ? AnsiToPoint(in[at++]) : NextCodePoint(in, size, &at);
        wchar_t units[2];
        int n = 1;
        if (point >= 0x10000) {
            units[0] = static_cast<wchar_t>(0xD800 + ((point - 0x10000) >> 10));
            units[1] = static_cast<wchar_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
            n = 2;
        } else {
            units[0] = static_cast<wchar_t>(point);
        }
        if (chars > 0) {
            if (made + n > chars) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return 0;
            }
            memcpy(out + made, units, n * sizeof(wchar_t));
        }
        made += n;
    }
    return made;
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const wchar_t* text, int chars, char* out,
                        int bytes, const char*, BOOL*)
{
    bool ansi = IsAnsi(codePage);
    if (!text || chars == 0 || chars < -1 || bytes < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t size = 0;
    if (chars == -1) {
        while (text[size])
            ++size;
        ++size;
    } else {
        size = static_cast<size_t>(chars);
    }
    int made = 0;
    for (size_t i = 0; i < size; ++i) {
        uint32_t unit = static_cast<uint32_t>(text[i]);
        uint32_t point = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < size &&
            static_cast<uint32_t>(text[i + 1]) >= 0xDC00 &&
            static_cast<uint32_t>(text[i + 1]) <= 0xDFFF) {
            point =
                0x10000 + ((unit - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if ((unit >= 0xD800 && unit <= 0xDFFF) || unit > 0xFFFF) {
            if (!ansi && (flags & WC_ERR_INVALID_CHARS)) {
                SetLastError(ERROR_NO_UNICODE_TRANSLATION);
                return 0;
            }
            point = 0xFFFD;
        }
        unsigned char encoded[4];
        int n;
        if (ansi) {
            encoded[0] = PointToAnsi(point);
            n = 1;
        } else if (point < 0x80) {
            encoded[0] = static_cast<unsigned char>(point);
            n = 1;
        } else if (point < 0x800) {
            encoded[0] = static_cast<unsigned char>(0xC0 | (point >> 6));
            encoded[1] = static_cast<unsigned char>(0x80 | (point & 0x3F));
            n = 2;
        } else if (point < 0x10000) {
            encoded[0] = static_cast<unsigned char>(0xE0 | (point >> 12));
            encoded[1] = static_cast<unsigned char>(0x80 | ((point >> 6) & 0x3F));
            encoded[2] = static_cast<unsigned char>(0x80 | (point & 0x3F));
            n = 3;
        } else {
            encoded[0] = static_cast<unsigned char>(0xF0 | (point >> 18));
            encoded[1] = static_cast<unsigned char>(0x80 | ((point >> 12) & 0x3F));
            encoded[2] = static_cast<unsigned char>(0x80 | ((point >> 6) & 0x3F));
            encoded[3] = static_cast<unsigned char>(0x80 | (point & 0x3F));
            n = 4;
        }
        if (bytes > 0) {
            if (made + n > bytes) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return 0;
            }
            memcpy(out + made, encoded, n);
        }
        made += n;
    }
    return made;
}

DWORD FormatMessageA(DWORD, const void*, DWORD, DWORD, char*, DWORD, void*)
{
    NotReached("FormatMessageA");
}
DWORD FormatMessageW(DWORD, const void*, DWORD, DWORD, wchar_t*, DWORD, void*)
{
    NotReached("FormatMessageW");
}

void* SecureZeroMemory(void* block, size_t bytes)
{
    return memset(block, 0, bytes);
}

BOOL CryptUnprotectData(DATA_BLOB*, wchar_t**, DATA_BLOB*, void*, void*, DWORD, DATA_BLOB*)
{
    NotReached("CryptUnprotectData");
}

int SHFileOperationA(SHFILEOPSTRUCTA*)
{
    NotReached("SHFileOperationA");
}

// A BSTR: its byte length in the four bytes before it, then the bytes and a NUL character.
namespace {

constexpr size_t kBstrHeader = 8;

BSTR NewBstr(const void* bytes, UINT length)
{
    char* raw = static_cast<char*>(calloc(1, kBstrHeader + length + sizeof(wchar_t)));
    if (!raw)
        return nullptr;
    uint32_t prefix = length;
    memcpy(raw + kBstrHeader - 4, &prefix, 4);
    if (bytes)
        memcpy(raw + kBstrHeader, bytes, length);
    return reinterpret_cast<BSTR>(raw + kBstrHeader);
}

}  // namespace

BSTR SysAllocString(const wchar_t* text)
{
    if (!text)
        return nullptr;
    UINT chars = 0;
    while (text[chars])
        ++chars;
    return SysAllocStringLen(text, chars);
}

BSTR SysAllocStringLen(const wchar_t* text, UINT chars)
{
    return NewBstr(text, static_cast<UINT>(chars * sizeof(wchar_t)));
}

BSTR SysAllocStringByteLen(const char* bytes, UINT length)
{
    return NewBstr(bytes, length);
}

UINT SysStringByteLen(BSTR text)
{
    if (!text)
        return 0;
    uint32_t prefix;
    memcpy(&prefix, reinterpret_cast<char*>(text) - 4, 4);
    return prefix;
}

UINT SysStringLen(BSTR text)
{
    return static_cast<UINT>(SysStringByteLen(text) / sizeof(wchar_t));
}

void SysFreeString(BSTR text)
{
    if (text)
        free(reinterpret_cast<char*>(text) - kBstrHeader);
}

HRESULT VariantClear(VARIANT* variant)
{
    if (variant->vt == VT_BSTR)
        SysFreeString(variant->bstrVal);
    variant->vt = VT_EMPTY;
    return S_OK;
}
