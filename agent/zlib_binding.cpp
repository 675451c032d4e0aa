#include "zlib_binding.h"

#include "heap_helpers.h"

#include <climits>
#include <cstring>
#include <string>

namespace {

constexpr int kZlibOk = 0;
constexpr int kDefaultLevel = -1;
constexpr wchar_t kZlibFileName[] = L"zlibwapi.dll";

// The folder of the running program, with its trailing separator; empty when unknown.
std::wstring ProgramFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

template <typename Fn>
Fn Lookup(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

bool CZlibBinding::LoadZlib()
{
    std::wstring folder = ProgramFolder();
    if (folder.empty())
        return false;
    return LoadZlibFrom((folder + kZlibFileName).c_str());
}

bool CZlibBinding::LoadZlibFrom(const wchar_t* path)
{
    UnloadZlib();
    if (!path || !*path)
        return false;
    HMODULE module = LoadLibraryW(path);
    if (!module)
        return false;
    auto adler32 = Lookup<Adler32Fn>(module, "adler32");
    auto compress2 = Lookup<Compress2Fn>(module, "compress2");
    auto uncompress = Lookup<UncompressFn>(module, "uncompress");
    if (!adler32 || !compress2 || !uncompress) {
        FreeLibrary(module);
        return false;
    }
    m_module = module;
    m_adler32 = adler32;
    m_compress2 = compress2;
    m_uncompress = uncompress;
    return true;
}

void CZlibBinding::UnloadZlib()
{
    if (m_module)
        FreeLibrary(m_module);
    m_module = nullptr;
    m_adler32 = nullptr;
    m_compress2 = nullptr;
    m_uncompress = nullptr;
}

unsigned long CZlibBinding::ComputeAdler32(const void* bytes, unsigned long length) const
{
    if (!m_adler32)
        return 0;
    unsigned long sum = m_adler32(0, nullptr, 0);
    if (!bytes)
        return sum;
    // adler32 takes an unsigned int length; unsigned long is no wider on Windows.
    return m_adler32(sum, static_cast<const unsigned char*>(bytes), length);
}

unsigned long CZlibBinding::CompressBound(unsigned long length)
{
    unsigned long long bound = 13ull + length + length / 10;
    return bound > ULONG_MAX ? 0 : static_cast<unsigned long>(bound);
}

bool CZlibBinding::Compress(const void* bytes, unsigned long length, unsigned char* out,
                            unsigned long* outLength) const
{
    if (!m_compress2 || (!bytes && length) || !out || !outLength)
        return false;
    unsigned char empty = 0;
    const unsigned char* source = bytes ? static_cast<const unsigned char*>(bytes) : &empty;
    return m_compress2(out, outLength, source, length, kDefaultLevel) == kZlibOk;
}

bool CZlibBinding::CompressBlock(const void* bytes, unsigned long length, unsigned char** block,
                                 unsigned long* blockLength) const
{
    if (!block || !blockLength)
        return false;
    *block = nullptr;
    *blockLength = 0;
    unsigned long bound = CompressBound(length);
    if (!m_compress2 || bound == 0)
        return false;
    auto out = static_cast<unsigned char*>(HeapAllocZero(bound));
    if (!out)
        return false;
    unsigned long outLength = bound;
    if (!Compress(bytes, length, out, &outLength)) {
        FreeHeapBlock(out);
        return false;
    }
    *block = out;
    *blockLength = outLength;
    return true;
}

bool CZlibBinding::Uncompress(const void* bytes, unsigned long length, unsigned char* out,
                              unsigned long* outLength) const
{
    if (!m_uncompress || !bytes || !out || !outLength)
        return false;
    return m_uncompress(out, outLength, static_cast<const unsigned char*>(bytes), length) ==
           kZlibOk;
}
