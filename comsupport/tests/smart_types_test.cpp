#include <gtest/gtest.h>

#include <cstring>

#include "com_bstr.h"
#include "com_variant.h"

TEST(CComBSTRTest, ByteStringsKeepOddLengthsAndZeroBytesThroughCopiesAndAppends)
{
    const char first[] = {'a', '\0', 'b'};
    const char second[] = {'\0', 'c'};
    CComBSTR s;
    ASSERT_TRUE(s.AssignBytes(first, 3));
    EXPECT_EQ(3u, s.ByteLength());
    CComBSTR copy(s);
    ASSERT_TRUE(copy.AppendBytes(second, 2));
    ASSERT_EQ(5u, copy.ByteLength());
    EXPECT_EQ(0, memcmp(copy.Bytes(), "a\0b\0c", 5));
    EXPECT_EQ(3u, s.ByteLength());  // the source is untouched
    ASSERT_TRUE(copy.Append(copy));
    EXPECT_EQ(10u, copy.ByteLength());
    EXPECT_EQ(0, memcmp(copy.Bytes() + 5, "a\0b\0c", 5));
}

TEST(CComBSTRTest, NullAndEmptyStringsAreEmpty)
{
    CComBSTR none;
    EXPECT_TRUE(!none);
    EXPECT_TRUE(none.IsEmpty());
    CComBSTR empty(L"");
    EXPECT_FALSE(!empty);
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_TRUE(empty.AssignBytes(nullptr, 0));
    EXPECT_TRUE(!empty);
    EXPECT_FALSE(empty.AssignBytes(nullptr, 4));
    BSTR out = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(S_OK, none.CopyTo(&out));
    EXPECT_EQ(nullptr, out);
}

TEST(CComBSTRTest, AttachDetachAndReceiveHandOwnershipOver)
{
    CComBSTR s(L"text");
    BSTR raw = s.Detach();
    EXPECT_TRUE(!s);
    s.Attach(raw);
    EXPECT_EQ(4u, s.Length());
    *s.Receive() = SysAllocString(L"other");
    EXPECT_STREQ(L"other", s.Get());
    ASSERT_TRUE(s.AssignMultiByte("caf\xc3\xa9", CP_UTF8));
    EXPECT_STREQ(L"caf\u00e9", s.Get());
}

TEST(CComVariantTest, CopiesAreDeepAndBytesStayExact)
{
    CComVariant v;
    ASSERT_TRUE(v.SetBytes("xyz", 3));
    EXPECT_EQ(VT_BSTR, v.vt);
    EXPECT_EQ(3u, v.ByteLength());
    CComVariant copy(v);
    EXPECT_NE(v.bstrVal, copy.bstrVal);
    EXPECT_EQ(3u, copy.ByteLength());

    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(S_OK, copy.Detach(&out));
    EXPECT_EQ(VT_EMPTY, copy.vt);
    EXPECT_EQ(3u, SysStringByteLen(out.bstrVal));
    VariantClear(&out);
}

TEST(CComVariantTest, TypedConstructorsAndChangeType)
{
    EXPECT_EQ(VT_I4, CComVariant(-5).vt);
    EXPECT_EQ(VT_UI4, CComVariant(7u).vt);
    CComVariant b(true);
    EXPECT_EQ(VT_BOOL, b.vt);
    EXPECT_EQ(VARIANT_TRUE, b.boolVal);
    CComVariant text(L"42");
    ASSERT_EQ(S_OK, text.ChangeType(VT_I4));
    EXPECT_EQ(42, text.lVal);
}
