// The process list: the names of the running programs, as Get hands them out first.
//
// JoinProcessNames: the text of the process list record from the names of a snapshot.
//
// A name equal to one already met when case is ignored is left out (the form met first
// stays); the rest are sorted by UTF-16 code unit and each is followed by a TAB. UTF-8.
#pragma once

#include <string>
#include <vector>

class CProcessSource;

std::string JoinProcessNames(const std::vector<std::wstring>& names);

// Appends a fresh RESULT_PROCESS_LIST record of the source's processes to *out; false when
// no snapshot could be taken (nothing appended).
bool AppendProcessList(CProcessSource& source, std::string* out);
