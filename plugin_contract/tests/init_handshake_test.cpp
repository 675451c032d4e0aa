#include <gtest/gtest.h>

#include <cstring>

#include "heap_helpers.h"
#include "init_handshake.h"

namespace {

// tol_mem's class identifier and command codes.
const CLSID kMem = {0x85DE5A01, 0x418E, 0x4421, {0x87, 0x47, 0x17, 0xB5, 0x59, 0xDA, 0xF1, 0xC6}};
const wchar_t kMemText[] = L"{85DE5A01-418E-4421-8747-17B559DAF1C6}";
const CLSID kCpu = {0x5910CF6F, 0x7C90, 0x4356, {0x98, 0x0C, 0x0C, 0x04, 0xF0, 0xBB, 0xC6, 0xCC}};
const char kCodes[] = "MMAMMMMMDLAALAMLAD";

}  // namespace

TEST(InitHandshakeTest, EntropyIsTheClassIdTextWithTheFirstByteOfItsNul)
{
    CClassIdEntropy fromClsid(kMem);
    CClassIdEntropy fromText(kMemText);
    ASSERT_TRUE(fromClsid.IsValid());
    EXPECT_EQ(77u, fromClsid.Length());
    ASSERT_EQ(fromText.Length(), fromClsid.Length());
    EXPECT_EQ(0, memcmp(fromClsid.Bytes(), kMemText, 76));
    EXPECT_EQ(0, fromClsid.Bytes()[76]);
    EXPECT_EQ(0, memcmp(fromClsid.Bytes(), fromText.Bytes(), 77));
    EXPECT_FALSE(CClassIdEntropy(static_cast<const wchar_t*>(nullptr)).IsValid());
}

TEST(InitHandshakeTest, AgentAndPlugInCompleteTheRoundTrip)
{
    CComBSTR auth;
    ASSERT_TRUE(ProtectClassIdText(kMemText, &auth));
    ASSERT_EQ(AgentAuthResult::Accepted, CheckAgentAuth(kMem, auth.Bytes(), auth.ByteLength()));

    CComBSTR reply;
    ASSERT_TRUE(ProtectCommandCodes(kMem, kCodes, &reply));
    char* codes = nullptr;
    ASSERT_TRUE(UnprotectCommandCodes(kMemText, reply.Bytes(), reply.ByteLength(), &codes));
    EXPECT_STREQ(kCodes, codes);
    FreeHeapBlock(codes);

    // The reply is bound to the class identifier as well.
    EXPECT_FALSE(UnprotectCommandCodes(L"{5910CF6F-7C90-4356-980C-0C04F0BBC6CC}", reply.Bytes(),
                                       reply.ByteLength(), &codes));
    EXPECT_EQ(nullptr, codes);
}

TEST(InitHandshakeTest, PlugInRefusesWhatIsNotItsOwnClassId)
{
    CClassIdEntropy entropy(kMem);
    CComBSTR otherClass, empty, firstHalf, lowerCase, ownButWrongEntropy;
    ASSERT_TRUE(ProtectClassIdText(L"{5910CF6F-7C90-4356-980C-0C04F0BBC6CC}", &otherClass));
    ASSERT_TRUE(ProtectClassIdText(L"{85de5a01-418e-4421-8747-17b559daf1c6}", &lowerCase));
    ASSERT_TRUE(ProtectData(entropy.Bytes(), 38, entropy.Bytes(), entropy.Length(), &firstHalf));
    ASSERT_TRUE(ProtectData(entropy.Bytes(), entropy.Length(), nullptr, 0, &ownButWrongEntropy));
    // An empty class identifier text: only the first byte of its NUL.
    ASSERT_TRUE(ProtectClassIdText(L"", &empty));
    const struct {
        const char* name;
        const CComBSTR* blob;
    } cases[] = {
        {"another class identifier", &otherClass}, {"empty plaintext", &empty},
        {"first half of the text", &firstHalf},    {"lower-case text", &lowerCase},
        {"no entropy", &ownButWrongEntropy},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AgentAuthResult::Refused,
                  CheckAgentAuth(kMem, c.blob->Bytes(), c.blob->ByteLength()))
            << c.name;
    // The same blob for tol_cpu's class is accepted by tol_cpu only.
    EXPECT_EQ(AgentAuthResult::Accepted,
              CheckAgentAuth(kCpu, otherClass.Bytes(), otherClass.ByteLength()));
    EXPECT_EQ(AgentAuthResult::NoAuth, CheckAgentAuth(kMem, nullptr, 0));
    EXPECT_EQ(AgentAuthResult::NoAuth, CheckAgentAuth(kMem, otherClass.Bytes(), 0));
    const BYTE garbage[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(AgentAuthResult::Refused, CheckAgentAuth(kMem, garbage, sizeof(garbage)));
}

TEST(InitHandshakeTest, ProtectDataRefusesNullOrEmptyInput)
{
    CClassIdEntropy entropy(kMem);
    CComBSTR out;
    EXPECT_FALSE(ProtectData(nullptr, 5, entropy.Bytes(), entropy.Length(), &out));
    EXPECT_FALSE(ProtectData(reinterpret_cast<const BYTE*>("x"), 0, entropy.Bytes(),
                             entropy.Length(), &out));
    EXPECT_TRUE(!out);
    EXPECT_FALSE(ProtectCommandCodes(kMem, nullptr, &out));
    EXPECT_FALSE(ProtectClassIdText(nullptr, &out));
}
