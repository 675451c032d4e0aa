// The stand-in's log: one line per thing it did or was asked, appended (UTF-8, CR LF) to the
// file named by the environment variable BROWSER_STANDIN_LOG; nothing when it is not set.
#pragma once

void StandInLog(const wchar_t* format, ...);
