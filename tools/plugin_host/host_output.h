// CHostOutput: the files the tests read, in one output folder.
//   log.txt       one line per script command and its outcome
//   events.txt    one line per OnNewData event: "<srcID type> <srcID>\t<text>", the text's
//                 backslashes, CRs and LFs written as \\, \r and \n
//   result_<n>.bin the bytes of the n-th ResultStream that Get handed over (n from 1)
// Every line is UTF-8 and ends with LF; files are flushed after each line.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "critical_section.h"

class CHostOutput {
public:
    CHostOutput() = default;
    ~CHostOutput();
    CHostOutput(const CHostOutput&) = delete;
    CHostOutput& operator=(const CHostOutput&) = delete;

    bool Open(const std::wstring& folder);
    void Log(const std::string& line);
    // data: a new-data announcement (srcID VT_UI4), else a log line.
    void Event(const std::string& line, bool data);
    int EventCount();
    int DataCount();
    // Writes the bytes to the next result file and returns its name.
    std::string WriteResult(const void* bytes, size_t size);

private:
    CCriticalSection m_lock;
    std::wstring m_folder;
    FILE* m_log = nullptr;
    FILE* m_events = nullptr;
    int m_eventCount = 0;
    int m_dataCount = 0;
    int m_resultCount = 0;
};
