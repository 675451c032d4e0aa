// Fuzz target of the server reply's way in: the body read in pieces (and cut at its limit),
// then its lines dispatched to the plug-ins and the agent's command table. Any body must be
// read and obeyed without a fault, and what is obeyed must be what the body says.
//
// Input: one byte that shapes the reads (piece size, a failing read), then the body.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "reply_body_reader.h"
#include "reply_dispatch.h"
#include "text_fields.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        abort();
}

struct PiecedBody {
    const uint8_t* data;
    size_t size;
    size_t piece;
    bool failThird;
    size_t offset = 0;
    unsigned reads = 0;
    bool lookFailed = false;  // the one-byte look past the limit failed
};

bool ReadPiece(void* source, char* buffer, size_t size, size_t* got, unsigned long* error)
{
    auto* body = static_cast<PiecedBody*>(source);
    Check(size > 0);
    if (body->failThird && ++body->reads == 3) {
        body->lookFailed = size == 1 && body->offset == kReplyBodyLimit;
        *error = 12031;
        return false;
    }
    size_t take = body->size - body->offset;
    take = take < body->piece ? take : body->piece;
    take = take < size ? take : size;
    memcpy(buffer, body->data + body->offset, take);
    body->offset += take;
    *got = take;
    return true;
}

// Checks every effect against the rules of the command table.
class CCheckingTarget : public IReplyTarget {
public:
    bool OfferLineToPlugIns(const char* line) override
    {
        Check(strchr(line, '\n') == nullptr);
        ++offered;
        return strlen(line) % 3 == 0;  // a plug-in takes some lines, not others
    }
    void EndSession() override { ++ended; }
    void SetPollPeriod(long seconds) override { Check(seconds >= 0); }
    void SetCheckPeriodOnPlugIns(long) override {}
    void RunUpgradeCommand(const char* version, const char* address, const char* fourth) override
    {
        Check(version && address && fourth);
        Check(!strchr(version, '\t') && !strchr(address, '\t') && !strchr(fourth, '\t'));
    }
    void SetMaxBufferSize(unsigned) override {}
    void SetMaxBufferCount(unsigned) override {}
    void ResetPlugIns() override {}

    size_t offered = 0;
    int ended = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    PiecedBody body{data + 1, size - 1, static_cast<size_t>(data[0] & 0x7F) * 67 + 1,
                    (data[0] & 0x80) != 0};
    static char buffer[kReplyBodyLimit + 1];
    memset(buffer, 0xA5, sizeof(buffer));
    unsigned long error = 0;
    bool good = ReadReplyBody(&ReadPiece, &body, buffer, &error);
    if (!good) {
        Check(error == 12031);
        return 0;
    }
    // What is kept: the whole body within the limit, else (or when the look past the limit
    // failed) its whole lines within it.
    bool cut = body.size > kReplyBodyLimit || (body.size == kReplyBodyLimit && body.lookFailed);
    size_t kept = !cut
                      ? body.size
                      : WholeLinesLength(reinterpret_cast<const char*>(body.data), kReplyBodyLimit);
    Check(memcmp(buffer, body.data, kept) == 0 && buffer[kept] == '\0');
    Check(kept == 0 || !cut || buffer[kept - 1] == '\n');

    CCheckingTarget target;
    DispatchReplyBody(buffer, target);
    std::string_view text(buffer);
    if (text == "111111") {
        Check(target.ended == 1 && target.offered == 0);
    } else {
        Check(target.ended == 0);
        Check(target.offered == SplitFields(text, '\n').size());
    }
    return 0;
}
