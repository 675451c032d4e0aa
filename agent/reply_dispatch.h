// What the lines of a good server reply do. No platform calls: the engine supplies the
// effects (IReplyTarget); the fuzz target supplies its own.
//
// The body "111111" alone ends the session. Any other body is split at "\n"; each line is
// first offered to the plug-ins, and a line that none takes is split at TAB and read as an
// agent command, its first field compared exactly:
//   POL <x> <seconds>     poll period (0 or less: none set)
//   CHK <x> <seconds>     check interval for every plug-in, when above 0
//   UPD <version> <address> [...]   upgrade source and download
//   BFS <bytes>           maximum send-buffer size (the engine clamps it)
//   BFC <count>           maximum send-buffer count (the engine clamps it)
//   RPL                   reset every plug-in
// Numbers read as the C library's decimal conversion does (anything else gives 0); an
// unsigned number beyond 32 bits, or a negative one, reads as 4,294,967,295. A command with
// too few fields, or any other line, is dropped.
#pragma once

#include <cstddef>

class IReplyTarget {
public:
    virtual ~IReplyTarget() = default;
    // True when a plug-in took the line.
    virtual bool OfferLineToPlugIns(const char* line) = 0;
    virtual void EndSession() = 0;
    virtual void SetPollPeriod(long seconds) = 0;
    virtual void SetCheckPeriodOnPlugIns(long seconds) = 0;
    // fourth: the line's fourth field, "" when it has none.
    virtual void RunUpgradeCommand(const char* version, const char* address,
                                   const char* fourth) = 0;
    virtual void SetMaxBufferSize(unsigned bytes) = 0;
    virtual void SetMaxBufferCount(unsigned count) = 0;
    virtual void ResetPlugIns() = 0;
};

// Whether the body is the server's end of the session ("111111" alone).
bool IsSessionEndBody(const char* body);
// body: NUL-terminated; null or empty does nothing.
void DispatchReplyBody(const char* body, IReplyTarget& target);
// One agent command already split at TAB (field 0 the code).
void DispatchCommandFields(const char* const* fields, size_t count, IReplyTarget& target);
