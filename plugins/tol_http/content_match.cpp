#include "content_match.h"

#include <utility>

CContentMatch::CContentMatch(std::string text) : m_text(std::move(text))
{
}

void CContentMatch::Feed(const char* data, size_t bytes)
{
    m_bytes += bytes;
    if (m_found || m_text.empty() || bytes == 0)
        return;
    m_tail.append(data, bytes);
    if (m_tail.find(m_text) != std::string::npos) {
        m_found = true;
        m_tail.clear();
        return;
    }
    size_t keep = m_text.size() - 1;
    if (m_tail.size() > keep)
        m_tail.erase(0, m_tail.size() - keep);
}
