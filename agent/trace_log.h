// The agent's trace log: one line per event in a day file in the temporary folder, written
// only while the Settings value Trace is not 0.
#pragma once

#include <ctime>
#include <string>

void WriteTraceLog(const char* text);
// A printf-style line; nothing is formatted while the log is off.
void WriteTraceLogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The day file's name for a local date: "tolintagent_YYYY_MM_DD.log".
std::string TraceLogFileName(const std::tm& local);
// One line as written: "hh:mm:ss (thread id): " + text + CR LF.
std::string FormatTraceLine(const std::tm& local, unsigned long threadId, const char* text);
