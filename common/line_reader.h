// Reading a test line by its plug-in's table of rules. The line's first field is its command
// code; each rule names a code, the field counts it takes, the kind of line it makes and the
// reader that fills the line from the fields. The same table gives the plug-in's list of
// command codes. No platform calls: the parsers built on it also build natively, for fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "line_fields.h"  // this folder's: CLineFields

// What a test line asks of a plug-in that keeps one list of tests.
enum class LineAction { Incorrect, Ignored, Add, Modify, Delete };

// A line read: its action and the test it carries (for a delete, the test id alone).
template <class TTest>
struct TestLine {
    LineAction action = LineAction::Incorrect;
    TTest test;
};

// A set of field counts from 0 to 63: FieldCounts(6, 8, 9), FieldCountRange(4, 16).
struct FieldCountSet {
    uint64_t bits = 0;
    constexpr bool Has(unsigned count) const { return count < 64 && ((bits >> count) & 1) != 0; }
};

template <class... Counts>
constexpr FieldCountSet FieldCounts(Counts... counts)
{
    return FieldCountSet{((uint64_t{1} << counts) | ... | 0)};
}

constexpr FieldCountSet FieldCountRange(unsigned first, unsigned last)
{
    FieldCountSet set;
    for (unsigned count = first; count <= last && count < 64; ++count)
        set.bits |= uint64_t{1} << count;
    return set;
}

// One row of a plug-in's line table. `read` may be null (the kind alone says it all); a reader
// that returns false makes the line the table's incorrect kind.
template <class Kind, class Line>
struct LineRule {
    const char* code;
    FieldCountSet counts;
    Kind kind;
    bool (*read)(const CLineFields& fields, Line* out);
};

// The first rule whose code is the line's first field and whose counts take the line's field
// count; null when there is none.
template <class Kind, class Line, size_t N>
const LineRule<Kind, Line>* FindLineRule(const CLineFields& fields,
                                         const LineRule<Kind, Line> (&rules)[N])
{
    if (fields.count() == 0)
        return nullptr;
    for (const auto& rule : rules)
        if (rule.counts.Has(fields.count()) && strcmp(fields[0], rule.code) == 0)
            return &rule;
    return nullptr;
}

// The kind of the line by the table, its fields read into *out: `unmatched` when no rule takes
// the line, `incorrect` when the rule's reader refuses its fields.
template <class Kind, class Line, size_t N>
Kind ReadLineByRules(const CLineFields& fields, const LineRule<Kind, Line> (&rules)[N],
                     Kind unmatched, Kind incorrect, Line* out)
{
    const LineRule<Kind, Line>* rule = FindLineRule(fields, rules);
    if (!rule)
        return unmatched;
    if (rule->read && !rule->read(fields, out))
        return incorrect;
    return rule->kind;
}

// The table's command codes, each once, in the order of their first rule: "DKADKMDKD...".
template <class Kind, class Line, size_t N>
std::string CommandCodes(const LineRule<Kind, Line> (&rules)[N])
{
    std::string codes;
    for (size_t i = 0; i < N; ++i) {
        bool seen = false;
        for (size_t j = 0; j < i && !seen; ++j)
            seen = strcmp(rules[i].code, rules[j].code) == 0;
        if (!seen)
            codes += rules[i].code;
    }
    return codes;
}

// One whole TAB-separated line read by the table, its kind stored in out->*kind: false for a
// null or empty line, or when there is no memory to split it (*out then holds nothing read);
// otherwise true, the kind being the one the table gives (`unmatched` when no rule takes the
// line, `incorrect` when a rule's reader refuses its fields).
template <class Kind, class Line, size_t N>
bool ReadWholeLineByRules(const char* utf8Line, const LineRule<Kind, Line> (&rules)[N],
                          Kind unmatched, Kind incorrect, Line* out, Kind Line::*kind)
{
    if (!out || !utf8Line || !*utf8Line)
        return false;
    *out = Line();
    try {
        out->*kind = ReadLineByRules(CLineFields(utf8Line, '\t'), rules, unmatched, incorrect, out);
    } catch (const std::bad_alloc&) {
        *out = Line();
        return false;
    }
    return true;
}

// The test line of a plug-in that keeps one list (Line has an `action`), as above.
template <class Line, size_t N>
bool ReadTestLineByRules(const char* utf8Line, const LineRule<LineAction, Line> (&rules)[N],
                         LineAction unmatched, LineAction incorrect, Line* out)
{
    return ReadWholeLineByRules(utf8Line, rules, unmatched, incorrect, out, &Line::action);
}
