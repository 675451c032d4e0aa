// Process-heap texts and blocks shared by the agent and every plug-in.
//
// Every block handed out here lives on the process heap; whoever receives one frees it with
// FreeHeapBlock, whichever module it came from.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstddef>
#include <string>

void FreeHeapBlock(const void* block);
void* HeapAllocZero(size_t bytes);
void* HeapReAllocZero(void* block, size_t bytes);

char* DupText(const char* text);
wchar_t* DupWideText(const wchar_t* text);

char* WideToMultiByteAlloc(const wchar_t* text, unsigned codePage);
wchar_t* MultiByteToWideAlloc(const char* text, unsigned codePage);

bool SplitText(const char* text, char*** fields, unsigned* count, char separator);
void FreeTextArray(char*** fields, const unsigned* count);

// "Failed with error %d: %s" with the system's (or the module's) text for the code,
// "Unknown Error." where there is none.
wchar_t* FormatErrorText(unsigned long error, HMODULE module);
char* FormatErrorTextA(unsigned long error, HMODULE module);

BOOL UnprotectToHeap(const unsigned char* data, unsigned long length, DATA_BLOB* entropy,
                     unsigned char** out, unsigned long* outLength);

bool DeleteDirectoryTree(std::string path);
