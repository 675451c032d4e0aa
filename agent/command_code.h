// Whether a server line belongs to a plug-in by its command-code list.
#pragma once

// True when the line's first three characters equal one of the three-letter groups of the
// list (groups counted from the start of the list in steps of three).
bool MatchCommandCode(const char* line, const char* codes);
