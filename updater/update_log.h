// The Updater's day log "tolupdate_YYYY_MM_DD.log" in the temporary folder: every line is
// written, in the line form of the agent's trace log.
#pragma once

#include <string>

void WriteUpdateLog(const char* text);
void WriteUpdateLogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A wide text (a path, the command line) as the log writes it: UTF-8.
std::string LogText(const std::wstring& text);
