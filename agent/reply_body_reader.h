// Reads a reply body over WinINet.
#pragma once

#include <windows.h>
#include <wininet.h>

constexpr DWORD kReplyBodyLimit = 8192;

// How one read is made (InternetReadFile, or a stand-in in tests).
using ReadReplyFn = BOOL (*)(void* source, void* buffer, DWORD size, DWORD* read);

// Reads into the buffer of kReplyBodyLimit + 1 bytes until the body ends or kReplyBodyLimit
// bytes are in, and terminates it. False when a read fails (*error is its error code).
bool ReadReplyBody(ReadReplyFn read, void* source, char* buffer, DWORD* error);
// The same from a WinINet request handle.
bool ReadReplyBody(HINTERNET request, char* buffer, DWORD* error);
