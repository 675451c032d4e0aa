#include "host_identity.h"

#include <gtest/gtest.h>

#include "fake_probe.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

const char* kModel = "1.3.6.1.4.1.99999.20";

// An agent that answers the system group and the object its sysObjectID names.
void ScriptAgent(CScriptedProbe& probe)
{
    probe.answers[kSysName] = {"tol20-alpha"};
    probe.answers[kSysDescr] = {"Test agent"};
    probe.answers[kSysObjectId] = {kModel};
    probe.answers[kModel] = {"model seven"};
}

TEST(IdentifyHost, SystemTextsAndTheObjectSysObjectIdNames)
{
    CScriptedProbe probe;
    ScriptAgent(probe);
    HostIdentity host;
    ASSERT_TRUE(IdentifyHost(probe, "10.0.0.3", "", nullptr, &host));
    EXPECT_EQ("10.0.0.3", host.address);
    EXPECT_EQ("tol20-alpha", host.sysName);
    EXPECT_EQ("Test agent", host.sysDescr);
    EXPECT_EQ("model seven", host.objectValue);
    EXPECT_EQ(kModel, host.sysObjectId);
    EXPECT_TRUE(host.oidValues.empty());
    EXPECT_EQ(4u, probe.queries.size());  // no request for an empty OID list
}

TEST(IdentifyHost, AHostWithoutSnmpGivesEmptyTexts)
{
    CScriptedProbe probe;
    HostIdentity host;
    ASSERT_TRUE(IdentifyHost(probe, "10.0.0.4", "1.3.6.1.2.1.1.3.0", nullptr, &host));
    EXPECT_EQ("", host.sysName);
    EXPECT_EQ("", host.sysDescr);
    EXPECT_EQ("", host.objectValue);
    EXPECT_EQ("", host.sysObjectId);
    EXPECT_EQ((Pairs{{"1.3.6.1.2.1.1.3.0", ""}}), host.oidValues);
    // sysName, sysDescr, sysObjectID and the list: no GET of an object it could not name.
    EXPECT_EQ(4u, probe.queries.size());
}

TEST(IdentifyHost, AFailedSysObjectIdLeavesBothItsTextsEmpty)
{
    CScriptedProbe probe;
    ScriptAgent(probe);
    probe.answers.erase(kSysObjectId);
    HostIdentity host;
    ASSERT_TRUE(IdentifyHost(probe, "10.0.0.3", "", nullptr, &host));
    EXPECT_EQ("tol20-alpha", host.sysName);
    EXPECT_EQ("", host.objectValue);
    EXPECT_EQ("", host.sysObjectId);
}

struct ListCase {
    const char* oids;
    std::vector<std::string> answered;
    Pairs nested;
};

TEST(IdentifyHost, OidListValuesPairUpOnlyWhenEveryOneCameBack)
{
    const ListCase cases[] = {
        {"1.1;1.2;1.3", {"a", "b", "c"}, {{"1.1", "a"}, {"1.2", "b"}, {"1.3", "c"}}},
        {"1.1;1.2;1.3", {"a", "b"}, {{"1.1", ""}, {"1.2", ""}, {"1.3", ""}}},
        {"1.1;1.2", {}, {{"1.1", ""}, {"1.2", ""}}},
        {"1.1", {"only"}, {{"1.1", "only"}}},
        {"1.1;;1.3", {"a", "c"}, {{"1.1", ""}, {"", ""}, {"1.3", ""}}},
    };
    for (const ListCase& c : cases) {
        CScriptedProbe probe;
        ScriptAgent(probe);
        if (!c.answered.empty())
            probe.answers[c.oids] = c.answered;
        HostIdentity host;
        ASSERT_TRUE(IdentifyHost(probe, "10.0.0.3", c.oids, nullptr, &host));
        EXPECT_EQ(c.nested, host.oidValues) << c.oids;
        EXPECT_EQ(c.oids, probe.queries.back().second);  // one GET of the whole list
    }
}

TEST(IdentifyHost, AStopEndsItBeforeTheNextRequest)
{
    CScriptedProbe probe;
    ScriptAgent(probe);
    HANDLE stop = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    HostIdentity host;
    EXPECT_FALSE(IdentifyHost(probe, "10.0.0.3", "1.1", stop, &host));
    EXPECT_TRUE(probe.queries.empty());
    CloseHandle(stop);
}

TEST(SnmpGetValues, NothingBackIsOneEmptyText)
{
    CScriptedProbe probe;
    ScriptAgent(probe);
    std::vector<std::string> values{"stale"};
    EXPECT_FALSE(SnmpGetValues(probe, "h", "", &values));
    EXPECT_EQ(std::vector<std::string>{""}, values);
    EXPECT_TRUE(probe.queries.empty());
    EXPECT_FALSE(SnmpGetValues(probe, "h", "1.9", &values));
    EXPECT_EQ(std::vector<std::string>{""}, values);
    EXPECT_TRUE(SnmpGetValues(probe, "h", kSysName, &values));
    EXPECT_EQ(std::vector<std::string>{"tol20-alpha"}, values);
}

}  // namespace
