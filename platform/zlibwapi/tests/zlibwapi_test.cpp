// zlibwapi.dll as its users see it: bound at run time, called through stdcall prototypes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Adler32Fn = unsigned long(WINAPI*)(unsigned long, const unsigned char*, unsigned int);
using Compress2Fn = int(WINAPI*)(unsigned char*, unsigned long*, const unsigned char*,
                                 unsigned long, int);
using UncompressFn = int(WINAPI*)(unsigned char*, unsigned long*, const unsigned char*,
                                  unsigned long);
using CompressBoundFn = unsigned long(WINAPI*)(unsigned long);
using VersionFn = const char*(WINAPI*)();

constexpr int kOk = 0;
constexpr int kDataError = -3;
constexpr int kBufError = -5;

class ZlibWapi : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_module = LoadLibraryW(L"zlibwapi.dll"); }
    static void TearDownTestSuite()
    {
        if (s_module)
            FreeLibrary(s_module);
        s_module = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(s_module, nullptr) << "zlibwapi.dll not found beside the test";
        adler32 = Bind<Adler32Fn>("adler32");
        compress2 = Bind<Compress2Fn>("compress2");
        uncompress = Bind<UncompressFn>("uncompress");
        compressBound = Bind<CompressBoundFn>("compressBound");
        zlibVersion = Bind<VersionFn>("zlibVersion");
    }

    template <typename Fn>
    Fn Bind(const char* name)
    {
        FARPROC proc = GetProcAddress(s_module, name);
        EXPECT_NE(proc, nullptr) << name;
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
    }

    static HMODULE s_module;
    Adler32Fn adler32 = nullptr;
    Compress2Fn compress2 = nullptr;
    UncompressFn uncompress = nullptr;
    CompressBoundFn compressBound = nullptr;
    VersionFn zlibVersion = nullptr;
};

HMODULE ZlibWapi::s_module = nullptr;

// Bytes that look like a send cache buffer: counters, small numbers and repeated texts.
std::vector<unsigned char> RecordLikeBytes(size_t size)
{
    std::vector<unsigned char> bytes(size);
    unsigned seed = 12345;
    const char* text = "tol_icmp: 127.0.0.1 reply in 1 ms";
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes[i] = (i % 64 < 34) ? static_cast<unsigned char>(text[i % 34])
                                 : static_cast<unsigned char>((seed >> 16) & 0x0F);
    }
    return bytes;
}

std::vector<unsigned char> NoiseBytes(size_t size)
{
    std::vector<unsigned char> bytes(size);
    unsigned seed = 987654321;
    for (auto& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<unsigned char>(seed >> 24);
    }
    return bytes;
}

TEST_F(ZlibWapi, ExportsOnlyUndecoratedNames)
{
    EXPECT_EQ(GetProcAddress(s_module, "_adler32@12"), nullptr);
    EXPECT_EQ(GetProcAddress(s_module, "ZlibWapiAdler32"), nullptr);
    ASSERT_NE(zlibVersion, nullptr);
    EXPECT_EQ(std::string(zlibVersion()).substr(0, 2), "1.");
}

TEST_F(ZlibWapi, Adler32OfKnownTexts)
{
    struct {
        const char* text;
        unsigned long sum;
    } cases[] = {
        {"", 0x00000001},
        {"a", 0x00620062},
        {"abc", 0x024D0127},
        {"Wikipedia", 0x11E60398},
        {"The quick brown fox jumps over the lazy dog", 0x5BDC0FDA},
    };
    for (const auto& c : cases) {
        auto bytes = reinterpret_cast<const unsigned char*>(c.text);
        EXPECT_EQ(adler32(adler32(0, nullptr, 0), bytes, static_cast<unsigned>(strlen(c.text))),
                  c.sum)
            << c.text;
    }
}

TEST_F(ZlibWapi, Adler32RunsOnAcrossCalls)
{
    auto bytes = NoiseBytes(100000);
    unsigned long whole = adler32(1, bytes.data(), static_cast<unsigned>(bytes.size()));
    unsigned long parts = adler32(1, bytes.data(), 33333);
    parts = adler32(parts, bytes.data() + 33333, static_cast<unsigned>(bytes.size() - 33333));
    EXPECT_EQ(parts, whole);
}

TEST_F(ZlibWapi, Compress2RoundTripsAtEveryLevel)
{
    const std::vector<unsigned char> inputs[] = {
        {}, {'x'}, RecordLikeBytes(122880), NoiseBytes(262144)};
    for (int level : {-1, 0, 1, 9}) {
        for (const auto& input : inputs) {
            unsigned long bound = compressBound(static_cast<unsigned long>(input.size()));
            std::vector<unsigned char> packed(bound);
            unsigned long packedLength = bound;
            ASSERT_EQ(compress2(packed.data(), &packedLength, input.data(),
                                static_cast<unsigned long>(input.size()), level),
                      kOk)
                << "level " << level << " size " << input.size();
            ASSERT_LE(packedLength, bound);

            std::vector<unsigned char> unpacked(input.size() + 1);
            unsigned long unpackedLength = static_cast<unsigned long>(unpacked.size());
            ASSERT_EQ(uncompress(unpacked.data(), &unpackedLength, packed.data(), packedLength),
                      kOk);
            unpacked.resize(unpackedLength);
            EXPECT_EQ(unpacked, input) << "level " << level << " size " << input.size();
        }
    }
}

TEST_F(ZlibWapi, ReportsShortBuffersAndBadData)
{
    auto input = RecordLikeBytes(4096);
    std::vector<unsigned char> packed(compressBound(4096));
    unsigned long packedLength = 10;
    EXPECT_EQ(compress2(packed.data(), &packedLength, input.data(), 4096, -1), kBufError);

    packedLength = static_cast<unsigned long>(packed.size());
    ASSERT_EQ(compress2(packed.data(), &packedLength, input.data(), 4096, -1), kOk);
    std::vector<unsigned char> unpacked(4096);
    unsigned long unpackedLength = 100;
    EXPECT_EQ(uncompress(unpacked.data(), &unpackedLength, packed.data(), packedLength), kBufError);

    for (unsigned long spoilt : {1ul, packedLength - 1}) {  // header check, trailing adler32
        std::vector<unsigned char> bad(packed.begin(), packed.begin() + packedLength);
        bad[spoilt] ^= 0x01;
        unpackedLength = static_cast<unsigned long>(unpacked.size());
        EXPECT_EQ(uncompress(unpacked.data(), &unpackedLength, bad.data(), packedLength),
                  kDataError)
            << "byte " << spoilt;
    }
}

}  // namespace
