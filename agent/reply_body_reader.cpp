#include "reply_body_reader.h"

size_t WholeLinesLength(const char* body, size_t length)
{
    while (length > 0 && body[length - 1] != '\n')
        --length;
    return length;
}

bool ReadReplyBody(ReplyReadFn read, void* source, char* buffer, unsigned long* error)
{
    size_t total = 0;
    while (total < kReplyBodyLimit) {
        size_t got = 0;
        if (!read(source, buffer + total, kReplyBodyLimit - total, &got, error)) {
            buffer[total] = '\0';
            return false;
        }
        if (got == 0)
            break;
        total += got < kReplyBodyLimit - total ? got : kReplyBodyLimit - total;
    }
    if (total == kReplyBodyLimit) {
        // Whether the body goes on past the limit: one byte more tells. A failed look counts
        // as more, so the last line is never taken for whole when it may not be.
        char more = 0;
        size_t got = 0;
        unsigned long ignored = 0;
        if (!read(source, &more, 1, &got, &ignored) || got != 0)
            total = WholeLinesLength(buffer, total);
    }
    buffer[total] = '\0';
    return true;
}
