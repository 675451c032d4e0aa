// A zip file read for the stand-in shell: its entries from the central directory, and the
// bytes of one entry (stored or deflated, checked against its CRC).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ZipEntry {
    std::string name;     // as stored: '/' between parts, a folder ends with '/'
    uint16_t method = 0;  // 0 stored, 8 deflated
    uint32_t crc = 0;
    uint32_t packedSize = 0;
    uint32_t size = 0;
    uint32_t localOffset = 0;
};

class CZipArchive {
public:
    // False when the file cannot be read or is not a zip this reader knows.
    bool Open(const std::wstring& path);
    const std::vector<ZipEntry>& Entries() const { return m_entries; }
    // The entry's bytes; false when they cannot be read, unpacked or checked.
    bool Extract(const ZipEntry& entry, std::vector<char>* data) const;

private:
    bool ReadCentralDirectory();

    std::vector<unsigned char> m_bytes;
    std::vector<ZipEntry> m_entries;
};
