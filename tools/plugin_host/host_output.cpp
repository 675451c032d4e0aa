#include "host_output.h"

CHostOutput::~CHostOutput()
{
    if (m_log)
        fclose(m_log);
    if (m_events)
        fclose(m_events);
}

bool CHostOutput::Open(const std::wstring& folder)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    m_folder = folder;
    m_log = _wfopen((folder + L"\\log.txt").c_str(), L"wb");
    m_events = _wfopen((folder + L"\\events.txt").c_str(), L"wb");
    return m_log && m_events;
}

void CHostOutput::Log(const std::string& line)
{
    CScopedLock lock(m_lock);
    fprintf(m_log, "%s\n", line.c_str());
    fflush(m_log);
}

namespace {

// One event a line, whatever its text holds.
std::string EscapeLineBreaks(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

}  // namespace

void CHostOutput::Event(const std::string& line, bool data)
{
    CScopedLock lock(m_lock);
    fprintf(m_events, "%s\n", EscapeLineBreaks(line).c_str());
    fflush(m_events);
    ++m_eventCount;
    if (data)
        ++m_dataCount;
}

int CHostOutput::DataCount()
{
    CScopedLock lock(m_lock);
    return m_dataCount;
}

int CHostOutput::EventCount()
{
    CScopedLock lock(m_lock);
    return m_eventCount;
}

std::string CHostOutput::WriteResult(const void* bytes, size_t size)
{
    CScopedLock lock(m_lock);
    std::string name = "result_" + std::to_string(++m_resultCount) + ".bin";
    std::wstring path = m_folder + L"\\" + std::wstring(name.begin(), name.end());
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file)
        return "<unwritable>";
    fwrite(bytes, 1, size, file);
    fclose(file);
    return name;
}
