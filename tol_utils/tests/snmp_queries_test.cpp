// The walk's rules over scripted GETNEXT answers, and the statuses of failed queries.
#include "snmp_queries.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Answers GETNEXT steps from a table: asked identifier -> (result, variables).
struct ScriptedAgent {
    struct Answer {
        int result;
        std::vector<SnmpRow> vars;
    };
    std::map<std::string, Answer> answers;
    std::vector<std::string> asked;

    int operator()(const std::string& oid, std::vector<SnmpRow>* answer)
    {
        asked.push_back(oid);
        auto it = answers.find(oid);
        if (it == answers.end())
            return kSnmpQueryNoAnswer;
        *answer = it->second.vars;
        return it->second.result;
    }
};

SnmpRow Row(const std::string& oid, const std::string& value = "x")
{
    return SnmpRow{oid, kSnmpCodeOctets, value};
}

std::vector<std::string> Oids(const std::vector<SnmpRow>& rows)
{
    std::vector<std::string> out;
    for (const SnmpRow& row : rows)
        out.push_back(row.oid);
    return out;
}

int Walk(ScriptedAgent& agent, const char* root, std::vector<SnmpRow>* rows)
{
    return WalkSubtree(
        root,
        [&agent](const std::string& oid, std::vector<SnmpRow>* answer) {
            return agent(oid, answer);
        },
        rows);
}

TEST(SnmpWalk, CollectsTheSubtreeAndStopsWhereItEnds)
{
    const std::string root = "1.3.6.1.2.1.25.2.3.1.3";
    const struct {
        const char* name;
        std::vector<std::pair<std::string, ScriptedAgent::Answer>> script;
        int result;
        std::vector<std::string> rows;
    } cases[] = {
        {"three rows, then the next column",
         {{root, {0, {Row(root + ".1")}}},
          {root + ".1", {0, {Row(root + ".3")}}},
          {root + ".3", {0, {Row(root + ".10")}}},
          {root + ".10", {0, {Row("1.3.6.1.2.1.25.2.3.1.4.1")}}}},
         0,
         {root + ".1", root + ".3", root + ".10"}},
        {"an arc that only begins like the root's last one is outside",
         {{root, {0, {Row(root + ".1")}}}, {root + ".1", {0, {Row(root + "0.1")}}}},
         0,
         {root + ".1"}},
        {"no answer to the first step", {}, kSnmpQueryNoAnswer, {}},
        {"a step that cannot be set up",
         {{root, {kSnmpQuerySetupFailed, {}}}},
         kSnmpQuerySetupFailed,
         {}},
        {"a failure after rows keeps them",
         {{root, {0, {Row(root + ".1")}}}, {root + ".1", {kSnmpQuerySendFailed, {}}}},
         0,
         {root + ".1"}},
        {"an empty answer ends the walk", {{root, {0, {}}}}, 0, {}},
        {"two variables end the walk", {{root, {0, {Row(root + ".1"), Row(root + ".2")}}}}, 0, {}},
        {"end of the MIB view (outside)", {{root, {0, {Row(root)}}}}, 0, {}},
        {"an agent that answers the same identifier again",
         {{root, {0, {Row(root + ".5")}}}, {root + ".5", {0, {Row(root + ".5")}}}},
         0,
         {root + ".5"}},
        {"an agent that goes backwards",
         {{root, {0, {Row(root + ".5")}}}, {root + ".5", {0, {Row(root + ".4")}}}},
         0,
         {root + ".5"}},
        {"an identifier that is no identifier",
         {{root, {0, {Row(root + ".1")}}}, {root + ".1", {0, {Row("no such thing")}}}},
         0,
         {root + ".1"}},
    };
    for (const auto& c : cases) {
        ScriptedAgent agent;
        for (const auto& entry : c.script)
            agent.answers[entry.first] = entry.second;
        std::vector<SnmpRow> rows{Row("left over")};
        EXPECT_EQ(c.result, Walk(agent, root.c_str(), &rows)) << c.name;
        EXPECT_EQ(c.rows, Oids(rows)) << c.name;
        EXPECT_LE(agent.asked.size(), c.rows.size() + 1) << c.name;
    }
}

// An agent that answers every GETNEXT with the next row inside the subtree (root.1, root.2,
// ...) until `endAfter` rows, then with the next column; steps may throw, and the stop check
// may answer true once some rows have come.
TEST(SnmpWalk, AWalkThatCannotBeFinishedIsAbandonedWithoutItsRows)
{
    const std::string root = "1.3.6.1.2.1.25.3.3.1.2";
    const size_t kNever = SIZE_MAX;
    const struct {
        const char* name;
        size_t endAfter;   // rows before the agent leaves the subtree
        size_t stopAfter;  // rows after which the stop check answers true
        size_t throwAt;    // the step (from 1) that throws
        std::function<void()> thrower;
        int result;
        size_t rows;
        size_t asked;
    } cases[] = {
        {"a table as large as the cap is walked to its end", kSnmpWalkMaxRows, kNever, kNever,
         nullptr, kSnmpQueryOk, kSnmpWalkMaxRows, kSnmpWalkMaxRows + 1},
        {"an endless agent is given up one row past the cap", kNever, kNever, kNever, nullptr,
         kSnmpQueryWalkAbandoned, 0, kSnmpWalkMaxRows + 1},
        {"a stop mid-walk ends it before the next step", kNever, 40, kNever, nullptr,
         kSnmpQueryWalkAbandoned, 0, 40},
        {"a stop before the first step asks nothing", kNever, 0, kNever, nullptr,
         kSnmpQueryWalkAbandoned, 0, 0},
        {"memory running out in a step", kNever, kNever, 25, [] { throw std::bad_alloc(); },
         kSnmpQueryWalkAbandoned, 0, 25},
        {"any other exception from a step", kNever, kNever, 25,
         [] { throw std::runtime_error("step"); }, kSnmpQueryWalkAbandoned, 0, 25},
        {"an exception of no standard type", kNever, kNever, 1, [] { throw 7; },
         kSnmpQueryWalkAbandoned, 0, 1},
    };
    for (const auto& c : cases) {
        size_t asked = 0;
        auto step = [&](const std::string& oid, std::vector<SnmpRow>* answer) {
            ++asked;
            if (asked == c.throwAt)
                c.thrower();
            EXPECT_EQ(asked == 1 ? root : root + "." + std::to_string(asked - 1), oid) << c.name;
            answer->push_back(Row(asked > c.endAfter ? "1.3.6.1.2.1.25.3.3.1.3.1"
                                                     : root + "." + std::to_string(asked)));
            return int(kSnmpQueryOk);
        };
        auto stopped = [&] { return asked >= c.stopAfter; };
        std::vector<SnmpRow> rows{Row("left over")};
        EXPECT_EQ(c.result, WalkSubtree(root.c_str(), step, &rows, stopped)) << c.name;
        EXPECT_EQ(c.rows, rows.size()) << c.name;
        EXPECT_EQ(c.asked, asked) << c.name;
    }
}

TEST(SnmpWalk, EmptyRootAsksNothing)
{
    ScriptedAgent agent;
    std::vector<SnmpRow> rows{Row("left over")};
    EXPECT_EQ(kSnmpQueryNothingToAsk, Walk(agent, "", &rows));
    EXPECT_EQ(kSnmpQueryNothingToAsk, Walk(agent, nullptr, &rows));
    EXPECT_TRUE(rows.empty());
    EXPECT_TRUE(agent.asked.empty());
}

TEST(SnmpQueries, GetWithoutIdentifiersAsksNothing)
{
    std::vector<std::string> values{"old"};
    std::vector<unsigned int> syntax{9};
    EXPECT_EQ(kSnmpQueryNothingToAsk,
              GetOIDValuesFromHost("127.0.0.1", {"", ""}, &values, &syntax, 3000));
    EXPECT_TRUE(values.empty());
    EXPECT_TRUE(syntax.empty());
}

TEST(SnmpQueries, UnboundApiFailsTheSetUpWithoutCallingIt)
{
    // This program never binds the SNMP API: a request must fail before any call into it.
    std::vector<std::string> values;
    std::vector<unsigned int> syntax;
    EXPECT_EQ(kSnmpQuerySetupFailed,
              GetOIDValuesFromHost("127.0.0.1", {"1.3.6.1.2.1.1.1.0"}, &values, &syntax, 3000));
    std::vector<SnmpRow> rows;
    EXPECT_EQ(kSnmpQuerySetupFailed, SnmpWalk("127.0.0.1", "1.3.6.1.2.1.1", &rows));
}

TEST(SnmpQueries, FailureStatuses)
{
    const struct {
        int result;
        unsigned int status;
    } cases[] = {{kSnmpQuerySetupFailed, 11},   {kSnmpQuerySendFailed, 12},
                 {kSnmpQueryNoAnswer, 13},      {kSnmpQueryNothingToAsk, 10},
                 {kSnmpQueryWalkAbandoned, 10}, {7, 10}};
    for (const auto& c : cases)
        EXPECT_EQ(c.status, RemoteFailureStatus(c.result)) << c.result;
}

}  // namespace
