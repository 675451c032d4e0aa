// The registry settings of one driven run of the work engine: written before the engine is
// made (it reads them once), removed with the stored registration when the run is over.
#pragma once

class CDriverSettings {
public:
    // host: the Host setting; proxy: the Proxy setting, or null for none.
    CDriverSettings(const wchar_t* host, const wchar_t* proxy);
    ~CDriverSettings();
    CDriverSettings(const CDriverSettings&) = delete;
    CDriverSettings& operator=(const CDriverSettings&) = delete;

    // False when a setting could not be written.
    bool IsWritten() const { return m_written; }

private:
    bool m_written;
};
