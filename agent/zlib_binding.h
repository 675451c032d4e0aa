// The agent's run-time binding to zlibwapi.dll, the stdcall build of zlib.
//
// The library is kept only when adler32, compress2 and uncompress are all found; without it
// the agent sends raw bodies and every routine here reports "no zlib" (false, or a checksum
// of 0). Bind once before any thread uses the binding and unbind after the last one is done:
// the routines read the bound entry points without a lock.
#pragma once

#include <windows.h>

class CZlibBinding {
public:
    CZlibBinding() = default;
    ~CZlibBinding() { UnloadZlib(); }
    CZlibBinding(const CZlibBinding&) = delete;
    CZlibBinding& operator=(const CZlibBinding&) = delete;

    // zlibwapi.dll from the agent program's own folder.
    bool LoadZlib();
    // The library at a given path or module name (what LoadLibrary accepts).
    bool LoadZlibFrom(const wchar_t* path);
    void UnloadZlib();
    bool IsPresent() const { return m_module != nullptr; }

    // adler32 of the bytes, started from adler32's initial value; 0 without zlib.
    unsigned long ComputeAdler32(const void* bytes, unsigned long length) const;

    // Room that compressing this many bytes may take: 13 plus 1.1 times the length
    // (truncated); 0 when that does not fit in 32 bits.
    static unsigned long CompressBound(unsigned long length);
    // compress2 at the default level into the caller's buffer of *outLength bytes; on
    // success *outLength is the compressed length.
    bool Compress(const void* bytes, unsigned long length, unsigned char* out,
                  unsigned long* outLength) const;
    // Compresses into a zeroed process-heap block of CompressBound bytes (FreeHeapBlock).
    // On any failure *block is null, *blockLength 0 and the result false.
    bool CompressBlock(const void* bytes, unsigned long length, unsigned char** block,
                       unsigned long* blockLength) const;
    // uncompress into the caller's buffer of *outLength bytes; on success *outLength is the
    // inflated length.
    bool Uncompress(const void* bytes, unsigned long length, unsigned char* out,
                    unsigned long* outLength) const;

private:
    using Adler32Fn = unsigned long(WINAPI*)(unsigned long, const unsigned char*, unsigned int);
    using Compress2Fn = int(WINAPI*)(unsigned char*, unsigned long*, const unsigned char*,
                                     unsigned long, int);
    using UncompressFn = int(WINAPI*)(unsigned char*, unsigned long*, const unsigned char*,
                                      unsigned long);

    HMODULE m_module = nullptr;
    Adler32Fn m_adler32 = nullptr;
    Compress2Fn m_compress2 = nullptr;
    UncompressFn m_uncompress = nullptr;
};
