#include "pending_result.h"

#include <gtest/gtest.h>

#include <string>

namespace {

BSTR Bytes(const std::string& bytes)
{
    return SysAllocStringByteLen(bytes.data(), static_cast<UINT>(bytes.size()));
}

std::string TakeBytes(CPendingResult& store)
{
    BSTR taken = store.Take();
    if (!taken)
        return "<null>";
    std::string out(reinterpret_cast<const char*>(taken), SysStringByteLen(taken));
    SysFreeString(taken);
    return out;
}

bool AppendBytes(CPendingResult& store, const std::string& bytes)
{
    BSTR data = Bytes(bytes);
    bool ok = store.Append(data);
    SysFreeString(data);
    return ok;
}

}  // namespace

TEST(CPendingResult, NothingPendingIsNull)
{
    CPendingResult store;
    EXPECT_EQ(TakeBytes(store), "<null>");
}

TEST(CPendingResult, ResultsJoinInOrderByteForByte)
{
    CPendingResult store;
    // Odd lengths and embedded NULs: the bytes are not characters.
    const std::string first("\x21\0\0\0abc\0x", 9);
    const std::string second("\x05\0\0\0\xff", 5);
    EXPECT_TRUE(AppendBytes(store, first));
    EXPECT_TRUE(AppendBytes(store, second));
    EXPECT_EQ(TakeBytes(store), first + second);
    EXPECT_EQ(TakeBytes(store), "<null>");
}

TEST(CPendingResult, FewerThanTwoBytesAreNotAppended)
{
    CPendingResult store;
    EXPECT_FALSE(AppendBytes(store, ""));
    EXPECT_FALSE(AppendBytes(store, "x"));
    EXPECT_FALSE(store.Append(nullptr));
    EXPECT_EQ(TakeBytes(store), "<null>");
    EXPECT_TRUE(AppendBytes(store, "xy"));
    EXPECT_FALSE(AppendBytes(store, "z"));
    EXPECT_EQ(TakeBytes(store), "xy");
}
