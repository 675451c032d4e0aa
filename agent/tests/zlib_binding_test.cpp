#include "zlib_binding.h"

#include "heap_helpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

namespace {

std::vector<unsigned char> CacheLikeBytes(size_t size)
{
    std::vector<unsigned char> bytes(size);
    unsigned seed = 77;
    const char text[] = "tol_mem: physical memory in use";
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes[i] = (i % 48 < 31) ? static_cast<unsigned char>(text[i % 31])
                                 : static_cast<unsigned char>(seed >> 28);
    }
    return bytes;
}

std::vector<unsigned char> Noise(size_t size)
{
    std::vector<unsigned char> bytes(size);
    unsigned seed = 31337;
    for (auto& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<unsigned char>(seed >> 24);
    }
    return bytes;
}

// Adler-32 straight from its definition, for inputs longer than zlib's blocking.
unsigned long PlainAdler32(const std::vector<unsigned char>& bytes)
{
    unsigned long a = 1, b = 0;
    for (unsigned char byte : bytes) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

class ZlibBindingWithDll : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(zlib.LoadZlib()) << "zlibwapi.dll beside the test"; }
    CZlibBinding zlib;
};

TEST_F(ZlibBindingWithDll, Adler32OfKnownVectors)
{
    struct {
        const char* text;
        unsigned long sum;
    } cases[] = {
        {"", 1},
        {"a", 0x00620062},
        {"Wikipedia", 0x11E60398},
        {"The quick brown fox jumps over the lazy dog", 0x5BDC0FDA},
    };
    EXPECT_TRUE(zlib.IsPresent());
    for (const auto& c : cases)
        EXPECT_EQ(zlib.ComputeAdler32(c.text, static_cast<unsigned long>(strlen(c.text))), c.sum)
            << c.text;
    EXPECT_EQ(zlib.ComputeAdler32(nullptr, 0), 1ul);

    auto big = Noise(300000);
    EXPECT_EQ(zlib.ComputeAdler32(big.data(), static_cast<unsigned long>(big.size())),
              PlainAdler32(big));
}

TEST_F(ZlibBindingWithDll, CompressBlockRoundTrips)
{
    const std::vector<unsigned char> inputs[] = {{}, {'x'}, CacheLikeBytes(122880), Noise(262144)};
    for (const auto& input : inputs) {
        auto length = static_cast<unsigned long>(input.size());
        unsigned char* block = nullptr;
        unsigned long blockLength = 0;
        ASSERT_TRUE(zlib.CompressBlock(input.data(), length, &block, &blockLength)) << input.size();
        ASSERT_NE(block, nullptr);
        EXPECT_GT(blockLength, 0ul);
        EXPECT_LE(blockLength, CZlibBinding::CompressBound(length));

        std::vector<unsigned char> back(input.size() + 16);
        unsigned long backLength = static_cast<unsigned long>(back.size());
        ASSERT_TRUE(zlib.Uncompress(block, blockLength, back.data(), &backLength));
        back.resize(backLength);
        EXPECT_EQ(back, input) << input.size();
        FreeHeapBlock(block);
    }
}

TEST_F(ZlibBindingWithDll, CompressIntoCallerBuffer)
{
    auto input = CacheLikeBytes(122880);
    auto length = static_cast<unsigned long>(input.size());
    std::vector<unsigned char> out(CZlibBinding::CompressBound(length));
    unsigned long outLength = static_cast<unsigned long>(out.size());
    ASSERT_TRUE(zlib.Compress(input.data(), length, out.data(), &outLength));
    EXPECT_LT(outLength, length / 2);

    unsigned long tooSmall = 16;
    EXPECT_FALSE(zlib.Compress(input.data(), length, out.data(), &tooSmall));
}

TEST_F(ZlibBindingWithDll, UncompressRefusesBadInput)
{
    auto input = CacheLikeBytes(5000);
    unsigned char* block = nullptr;
    unsigned long blockLength = 0;
    ASSERT_TRUE(zlib.CompressBlock(input.data(), 5000, &block, &blockLength));

    std::vector<unsigned char> out(5000);
    unsigned long outLength = 4999;  // one byte short
    EXPECT_FALSE(zlib.Uncompress(block, blockLength, out.data(), &outLength));

    block[blockLength - 1] ^= 0x01;  // trailing checksum
    outLength = 5000;
    EXPECT_FALSE(zlib.Uncompress(block, blockLength, out.data(), &outLength));
    FreeHeapBlock(block);

    const unsigned char junk[] = "not zlib at all";
    outLength = 5000;
    EXPECT_FALSE(zlib.Uncompress(junk, sizeof(junk), out.data(), &outLength));
}

TEST_F(ZlibBindingWithDll, UnloadLeavesNoZlib)
{
    zlib.UnloadZlib();
    EXPECT_FALSE(zlib.IsPresent());
    EXPECT_EQ(zlib.ComputeAdler32("Wikipedia", 9), 0ul);
    EXPECT_TRUE(zlib.LoadZlib());
    EXPECT_TRUE(zlib.LoadZlib());  // binding again replaces the first binding
    EXPECT_TRUE(zlib.IsPresent());
}

TEST(ZlibBindingWithoutDll, RunsWithoutZlib)
{
    const wchar_t* modules[] = {
        L"no_such_zlibwapi.dll",
        L"C:\\no\\such\\folder\\zlibwapi.dll",
        L"zlibwapi_partial.dll",  // adler32 and compress2, no uncompress
        L"",
        nullptr,
    };
    for (const wchar_t* module : modules) {
        CZlibBinding zlib;
        EXPECT_FALSE(zlib.LoadZlibFrom(module));
        EXPECT_FALSE(zlib.IsPresent());
        EXPECT_EQ(zlib.ComputeAdler32("Wikipedia", 9), 0ul);

        unsigned char* block = reinterpret_cast<unsigned char*>(1);
        unsigned long blockLength = 99;
        EXPECT_FALSE(zlib.CompressBlock("abc", 3, &block, &blockLength));
        EXPECT_EQ(block, nullptr);
        EXPECT_EQ(blockLength, 0ul);

        unsigned char out[64];
        unsigned long outLength = sizeof(out);
        EXPECT_FALSE(zlib.Compress("abc", 3, out, &outLength));
        EXPECT_FALSE(zlib.Uncompress("abc", 3, out, &outLength));
    }
    EXPECT_EQ(GetModuleHandleW(L"zlibwapi_partial.dll"), nullptr)
        << "a library lacking an entry point must not stay loaded";
}

TEST(ZlibBindingBound, IsThirteenPlusLengthAndATenth)
{
    struct {
        unsigned long length;
        unsigned long bound;
    } cases[] = {{0, 13}, {1, 14}, {10, 24}, {122880, 135181}, {ULONG_MAX, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(CZlibBinding::CompressBound(c.length), c.bound) << c.length;
}

}  // namespace
