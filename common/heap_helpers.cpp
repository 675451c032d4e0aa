#include "heap_helpers.h"

#include "text_fields.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

void FreeHeapBlock(const void* block)
{
    if (block)
        HeapFree(GetProcessHeap(), 0, const_cast<void*>(block));
}

void* HeapAllocZero(size_t bytes)
{
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
}

void* HeapReAllocZero(void* block, size_t bytes)
{
    if (!block)
        return HeapAllocZero(bytes);
    return HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, block, bytes);
}

char* DupText(const char* text)
{
    if (!text || !*text)
        return nullptr;
    size_t bytes = strlen(text) + 1;
    char* copy = static_cast<char*>(HeapAllocZero(bytes));
    if (copy)
        memcpy(copy, text, bytes);
    return copy;
}

wchar_t* DupWideText(const wchar_t* text)
{
    if (!text || !*text)
        return nullptr;
    size_t bytes = sizeof(wchar_t) * (wcslen(text) + 1);
    wchar_t* copy = static_cast<wchar_t*>(HeapAllocZero(bytes));
    if (copy)
        memcpy(copy, text, bytes);
    return copy;
}

char* WideToMultiByteAlloc(const wchar_t* text, unsigned codePage)
{
    if (!text)
        return nullptr;
    int size = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return nullptr;
    char* out = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size + 1));
    if (!out)
        return nullptr;
    WideCharToMultiByte(codePage, 0, text, -1, out, size, nullptr, nullptr);
    out[size] = '\0';
    return out;
}

wchar_t* MultiByteToWideAlloc(const char* text, unsigned codePage)
{
    int size = 0;
    if (text) {
        size = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
        if (size <= 0) {
            GetLastError();
            size = 0;
        }
    }
    wchar_t* out =
        static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, sizeof(wchar_t) * (size + 1)));
    if (!out)
        return nullptr;
    if (size > 0)
        MultiByteToWideChar(codePage, 0, text, -1, out, size);
    out[size] = L'\0';
    return out;
}

bool SplitText(const char* text, char*** fields, unsigned* count, char separator)
{
    if (!text || !*text)
        return false;
    std::vector<std::string_view> parts;
    try {
        parts = SplitFields(text, separator);
    } catch (const std::bad_alloc&) {
        return false;
    }
    auto** array = static_cast<char**>(HeapAllocZero(parts.size() * sizeof(char*)));
    if (!array)
        return false;
    unsigned made = 0;
    for (std::string_view part : parts) {
        char* field = static_cast<char*>(HeapAllocZero(part.size() + 1));
        if (!field) {
            FreeTextArray(&array, &made);
            return false;
        }
        memcpy(field, part.data(), part.size());
        array[made++] = field;
    }
    *fields = array;
    *count = made;
    return true;
}

void FreeTextArray(char*** fields, const unsigned* count)
{
    if (!fields || !*fields)
        return;
    unsigned n = count ? *count : 0;
    for (unsigned i = 0; i < n; ++i)
        FreeHeapBlock((*fields)[i]);
    FreeHeapBlock(*fields);
}

namespace {

DWORD FormatFlags(HMODULE module)
{
    DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
    if (module)
        flags |= FORMAT_MESSAGE_FROM_HMODULE;
    return flags;
}

}  // namespace

wchar_t* FormatErrorText(unsigned long error, HMODULE module)
{
    wchar_t* message = nullptr;
    DWORD n = FormatMessageW(FormatFlags(module), module, error, 0x400,
                             reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    if (n == 0)
        message = nullptr;
    size_t chars = n + 64;
    wchar_t* out = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, sizeof(wchar_t) * chars));
    if (out)
        swprintf(out, chars, L"Failed with error %d: %ls", static_cast<int>(error),
                 message ? message : L"Unknown Error.");
    if (message)
        LocalFree(message);
    return out;
}

char* FormatErrorTextA(unsigned long error, HMODULE module)
{
    char* message = nullptr;
    DWORD n = FormatMessageA(FormatFlags(module), module, error, 0x400,
                             reinterpret_cast<char*>(&message), 0, nullptr);
    if (n == 0)
        message = nullptr;
    size_t chars = n + 64;
    char* out = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, chars));
    if (out)
        snprintf(out, chars, "Failed with error %d: %s", static_cast<int>(error),
                 message ? message : "Unknown Error.");
    if (message)
        LocalFree(message);
    return out;
}

BOOL UnprotectToHeap(const unsigned char* data, unsigned long length, DATA_BLOB* entropy,
                     unsigned char** out, unsigned long* outLength)
{
    DATA_BLOB in{length, const_cast<BYTE*>(data)};
    DATA_BLOB plain{0, nullptr};
    if (!CryptUnprotectData(&in, nullptr, entropy, nullptr, nullptr, 0, &plain))
        return FALSE;
    unsigned char* copy = static_cast<unsigned char*>(HeapAllocZero(plain.cbData + 1));
    if (!copy) {
        SecureZeroMemory(plain.pbData, plain.cbData);
        LocalFree(plain.pbData);
        return FALSE;
    }
    memcpy(copy, plain.pbData, plain.cbData);
    *out = copy;
    *outLength = plain.cbData;
    LocalFree(plain.pbData);
    return TRUE;
}

bool DeleteDirectoryTree(std::string path)
{
    char* doubleTerminated = static_cast<char*>(HeapAllocZero(path.size() + 2));
    if (!doubleTerminated)
        return false;
    memcpy(doubleTerminated, path.data(), path.size());
    SHFILEOPSTRUCTA op{};
    op.hwnd = nullptr;
    op.wFunc = FO_DELETE;
    op.pFrom = doubleTerminated;
    op.fFlags = 0x614;  // silent, no confirmation, no error dialog
    int rc = SHFileOperationA(&op);
    FreeHeapBlock(doubleTerminated);
    return rc == 0;
}
