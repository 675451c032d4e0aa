#include "reply_body_reader.h"

namespace {

BOOL ReadFromRequest(void* source, void* buffer, DWORD size, DWORD* read)
{
    return InternetReadFile(static_cast<HINTERNET>(source), buffer, size, read);
}

}  // namespace

bool ReadReplyBody(ReadReplyFn read, void* source, char* buffer, DWORD* error)
{
    DWORD total = 0;
    bool good = true;
    while (total < kReplyBodyLimit) {
        DWORD got = 0;
        if (!read(source, buffer + total, kReplyBodyLimit - total, &got)) {
            *error = GetLastError();
            good = false;
            break;
        }
        if (got == 0)
            break;
        total += got;
    }
    buffer[total] = '\0';
    return good;
}

bool ReadReplyBody(HINTERNET request, char* buffer, DWORD* error)
{
    return ReadReplyBody(&ReadFromRequest, request, buffer, error);
}
