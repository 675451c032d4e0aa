#include "reply_dispatch.h"

#include "text_fields.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kSessionEnded[] = "111111";

long SignedField(const char* text)
{
    return std::strtol(text, nullptr, 10);
}

unsigned UnsignedField(const char* text)
{
    unsigned long long value = std::strtoull(text, nullptr, 10);
    return value > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned>(value);
}

bool Is(const char* code, const char* field)
{
    return std::strcmp(field, code) == 0;
}

// A line no plug-in took, split in place (it is the reply's own copy): the CR of a CR LF
// reply belongs to no field.
void DispatchCommandLine(char* line, size_t length, IReplyTarget& target)
{
    if (length && line[length - 1] == '\r')
        line[--length] = '\0';
    if (!length)
        return;
    std::vector<const char*> fields;
    for (std::string_view field : SplitFields(std::string_view(line, length), '\t')) {
        const_cast<char*>(field.data())[field.size()] = '\0';
        fields.push_back(field.data());
    }
    DispatchCommandFields(fields.data(), fields.size(), target);
}

}  // namespace

bool IsSessionEndBody(const char* body)
{
    return body && Is(kSessionEnded, body);
}

void DispatchReplyBody(const char* body, IReplyTarget& target)
{
    if (!body || !*body)
        return;
    if (IsSessionEndBody(body)) {
        target.EndSession();
        return;
    }
    // One copy of the body, its lines ended in place.
    std::string lines(body);
    for (std::string_view view : SplitFields(lines, '\n')) {
        char* line = &lines[static_cast<size_t>(view.data() - lines.data())];
        line[view.size()] = '\0';
        if (!target.OfferLineToPlugIns(line))
            DispatchCommandLine(line, view.size(), target);
    }
}

void DispatchCommandFields(const char* const* fields, size_t count, IReplyTarget& target)
{
    if (!fields || !count || !fields[0])
        return;
    const char* code = fields[0];
    if (Is("POL", code) && count >= 3) {
        long period = SignedField(fields[2]);
        target.SetPollPeriod(period > 0 ? period : 0);
    } else if (Is("CHK", code) && count >= 3) {
        target.SetCheckPeriodOnPlugIns(SignedField(fields[2]));
    } else if (Is("UPD", code) && count >= 3) {
        target.RunUpgradeCommand(fields[1], fields[2], count > 3 ? fields[3] : "");
    } else if (Is("BFS", code) && count >= 2) {
        target.SetMaxBufferSize(UnsignedField(fields[1]));
    } else if (Is("BFC", code) && count >= 2) {
        target.SetMaxBufferCount(UnsignedField(fields[1]));
    } else if (Is("RPL", code)) {
        target.ResetPlugIns();
    }
}
