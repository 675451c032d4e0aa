// Reads the body of a server reply. No platform calls: the exchange hands in its WinINet read,
// tests and the fuzz target their own.
#pragma once

#include <cstddef>

constexpr size_t kReplyBodyLimit = 8192;

// One read of at most `size` bytes into `buffer`: false when it failed (*error then holds the
// reason); *got is 0 at the end of the body.
using ReplyReadFn = bool (*)(void* source, char* buffer, size_t size, size_t* got,
                             unsigned long* error);

// Reads into `buffer` (kReplyBodyLimit + 1 bytes) until the body ends or kReplyBodyLimit bytes
// are in, and terminates it. A body longer than the limit is cut there, and its last line,
// which the cut left without its "\n", is dropped: no half line is obeyed. False when a read
// failed (*error holds its code; the buffer holds what came before it).
bool ReadReplyBody(ReplyReadFn read, void* source, char* buffer, unsigned long* error);

// The length of the first `length` bytes of `body` up to and including the last "\n" in
// them; 0 when there is none.
size_t WholeLinesLength(const char* body, size_t length);
