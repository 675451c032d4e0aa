// Day files of diagnostic lines in the temporary folder: one file per local date, one line per
// event, "hh:mm:ss (thread id): " + text + CR LF. The file is opened and closed for every line,
// so another process may read it between lines. The agent's trace log and the Updater's log
// are both written this way.
#pragma once

#include <windows.h>

#include <ctime>
#include <string>

// stem "tolupdate" and 31 Dec 2026: "tolupdate_2026_12_31.log".
std::string DayLogFileName(const char* stem, const std::tm& local);
// One line as written: "hh:mm:ss (thread id): " + text + CR LF.
std::string FormatDayLogLine(const std::tm& local, unsigned long threadId, const char* text);
// Appends one line to today's file of the stem, opened with the given access; a line that
// cannot be written is dropped.
void AppendDayLogLine(const char* stem, const char* text, DWORD access);
