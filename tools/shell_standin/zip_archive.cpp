#include "zip_archive.h"

#include <windows.h>
#include <zlib.h>

#include <cstring>

namespace {

constexpr uint32_t kEndOfDirectory = 0x06054b50;
constexpr uint32_t kDirectoryEntry = 0x02014b50;
constexpr uint32_t kLocalHeader = 0x04034b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kDirectoryEntrySize = 46;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kLargestFile = 256u * 1024 * 1024;

uint16_t Read16(const unsigned char* at)
{
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

uint32_t Read32(const unsigned char* at)
{
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>* bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= static_cast<LONGLONG>(kLargestFile);
    if (ok) {
        bytes->resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = bytes->empty() ||
             (ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) &&
              read == bytes->size());
    }
    CloseHandle(file);
    return ok;
}

bool Inflate(const unsigned char* packed, uint32_t packedSize, std::vector<char>* data)
{
    z_stream stream = {};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    stream.next_in = const_cast<unsigned char*>(packed);
    stream.avail_in = packedSize;
    // One byte more than expected: an empty entry still has somewhere to write, and a
    // longer one shows up as too long.
    std::vector<char> out(data->size() + 1);
    stream.next_out = reinterpret_cast<unsigned char*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    int rc = inflate(&stream, Z_FINISH);
    bool ok = rc == Z_STREAM_END && stream.total_out == data->size();
    inflateEnd(&stream);
    if (ok && !data->empty())
        std::memcpy(data->data(), out.data(), data->size());
    return ok;
}

}  // namespace

bool CZipArchive::Open(const std::wstring& path)
{
    m_bytes.clear();
    m_entries.clear();
    return ReadWholeFile(path, &m_bytes) && ReadCentralDirectory();
}

bool CZipArchive::ReadCentralDirectory()
{
    if (m_bytes.size() < kEndRecordSize)
        return false;
    // The end record is the last thing in the file, followed only by its comment.
    size_t end = m_bytes.size() - kEndRecordSize;
    for (;;) {
        if (Read32(&m_bytes[end]) == kEndOfDirectory &&
            end + kEndRecordSize + Read16(&m_bytes[end + 20]) == m_bytes.size())
            break;
        if (end == 0 || m_bytes.size() - end > kEndRecordSize + 0xFFFF)
            return false;
        --end;
    }
    uint16_t count = Read16(&m_bytes[end + 10]);
    size_t at = Read32(&m_bytes[end + 16]);
    for (uint16_t index = 0; index < count; ++index) {
        if (at + kDirectoryEntrySize > m_bytes.size() || Read32(&m_bytes[at]) != kDirectoryEntry)
            return false;
        const unsigned char* header = &m_bytes[at];
        size_t nameLength = Read16(header + 28);
        size_t skip = kDirectoryEntrySize + nameLength + Read16(header + 30) + Read16(header + 32);
        if (at + skip > m_bytes.size())
            return false;
        ZipEntry entry;
        entry.method = Read16(header + 10);
        entry.crc = Read32(header + 16);
        entry.packedSize = Read32(header + 20);
        entry.size = Read32(header + 24);
        entry.localOffset = Read32(header + 42);
        entry.name.assign(reinterpret_cast<const char*>(header + kDirectoryEntrySize), nameLength);
        m_entries.push_back(entry);
        at += skip;
    }
    return true;
}

bool CZipArchive::Extract(const ZipEntry& entry, std::vector<char>* data) const
{
    size_t at = entry.localOffset;
    if (at + kLocalHeaderSize > m_bytes.size() || Read32(&m_bytes[at]) != kLocalHeader)
        return false;
    size_t start = at + kLocalHeaderSize + Read16(&m_bytes[at + 26]) + Read16(&m_bytes[at + 28]);
    if (start > m_bytes.size() || m_bytes.size() - start < entry.packedSize ||
        entry.size > kLargestFile)
        return false;
    const unsigned char* packed = m_bytes.data() + start;
    data->assign(entry.size, '\0');
    if (entry.method == 0) {
        if (entry.packedSize != entry.size)
            return false;
        if (entry.size)
            std::memcpy(data->data(), packed, entry.size);
    } else if (entry.method != 8 || !Inflate(packed, entry.packedSize, data)) {
        return false;
    }
    uLong crc =
        crc32(0L, reinterpret_cast<const Bytef*>(data->data()), static_cast<uInt>(data->size()));
    return crc == entry.crc;
}
