// The fields of a text split at a separator (SplitText's rules), freed with the object.
#pragma once

#include "heap_helpers.h"

class CTextFields {
public:
    CTextFields(const char* text, char separator)
    {
        m_split = text && SplitText(text, &m_fields, &m_count, separator);
    }
    ~CTextFields()
    {
        if (m_split)
            FreeTextArray(&m_fields, &m_count);
    }
    CTextFields(const CTextFields&) = delete;
    CTextFields& operator=(const CTextFields&) = delete;

    // 0 for a null or empty text.
    unsigned count() const { return m_split ? m_count : 0; }
    const char* operator[](unsigned index) const { return m_fields[index]; }

private:
    bool m_split = false;
    char** m_fields = nullptr;
    unsigned m_count = 0;
};
