// GetOIDValuesFromHost and SnmpWalk: the two uses of the SNMP client that the host resource
// plug-ins (tol_mem, tol_cpu) make of a remote host: one GET of a list of identifiers, and a
// GETNEXT walk of one subtree. Every request has its own CSNMPmon and asks with SNMP version
// 2c on port 161, the community "quovel", a time-out of 10 seconds and 1 retry.
//
// A static library compiled into each plug-in that uses them, over tol_utils.dll's client, so
// that the lists they fill never cross a module's edge. The SNMP API must have been bound and
// started in the process (by another plug-in); where it has not, every request fails to set
// up (kSnmpQuerySetupFailed) without calling into the API.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

enum SnmpQueryResult : int {
    kSnmpQueryOk = 0,
    kSnmpQueryNothingToAsk = -1,  // no identifier (GET) or an empty root (walk)
    kSnmpQuerySetupFailed = 1,    // the client could not prepare the request
    kSnmpQuerySendFailed = 2,
    kSnmpQueryNoAnswer = 3,       // no answer within the wait
    kSnmpQueryWalkAbandoned = 4,  // a walk given up: too many rows, a stop, or no memory
};

// The client's syntax codes that the plug-ins read.
constexpr unsigned int kSnmpCodeOctets = 8;
constexpr unsigned int kSnmpCodeInteger = 9;
constexpr unsigned int kSnmpCodeCounter32 = 14;

// Status values of tol_mem's and tol_cpu's results.
constexpr unsigned int kStatusWithinLimits = 0;
constexpr unsigned int kStatusLimitExceeded = 2;
constexpr unsigned int kStatusNoFigures = 10;  // the answer gave no usable figure

// The status of a remote test whose query returned `result` (not kSnmpQueryOk): 11, 12, 13 for
// a request that could not be set up, could not be sent or was not answered; 10 otherwise.
unsigned int RemoteFailureStatus(int result);

// One variable of an answer: its identifier (dotted), syntax code and value text.
struct SnmpRow {
    std::string oid;
    unsigned int syntax = 0;
    std::string value;
};

// How long the walk waits for the answer to each step.
constexpr unsigned long kSnmpWalkStepWaitMs = 10000;

// The most rows one walk collects. A storage or processor table has a few thousand rows at
// most; an agent that keeps answering inside the subtree past this is not walked to its end.
constexpr size_t kSnmpWalkMaxRows = 10000;

// Asked between the steps of a walk: true once the walk is to end (the plug-in is stopping).
using SnmpStopCheck = std::function<bool()>;

// One GET of the non-empty identifiers of `oids` (joined with ";"), waiting up to `waitMs`.
// On kSnmpQueryOk, `values` and `syntax` hold one entry per returned variable, in answer
// order (a value the client rendered as nothing is an empty text). Both lists are cleared first.
int GetOIDValuesFromHost(const char* host, const std::vector<std::string>& oids,
                         std::vector<std::string>* values, std::vector<unsigned int>* syntax,
                         unsigned long waitMs);

// A GETNEXT walk of the subtree below `root`; `rows` holds every variable found inside it in
// walk order. A failure before the first row returns its result; a failure after it returns
// kSnmpQueryOk with the rows found so far. `stopped`, when given, is asked before each step.
int SnmpWalk(const char* host, const char* root, std::vector<SnmpRow>* rows,
             const SnmpStopCheck& stopped = SnmpStopCheck());

// The walk's rules over any GETNEXT step: `step` asks for what follows an identifier, fills
// the answer's variables and returns a SnmpQueryResult. The walk ends at an answer without
// exactly one variable, at the first identifier outside the subtree, and at an identifier that
// does not come after the one asked for (an agent that never moves forward).
//
// A walk that cannot be finished is abandoned: one that would collect more than
// kSnmpWalkMaxRows rows, one whose `stopped` answers true before a step, and one that runs
// out of memory or meets any exception from a step. It returns kSnmpQueryWalkAbandoned with
// no rows (the rows so far are not the table), and no exception leaves it.
using SnmpNextStep = std::function<int(const std::string& oid, std::vector<SnmpRow>* answer)>;
int WalkSubtree(const char* root, const SnmpNextStep& step, std::vector<SnmpRow>* rows,
                const SnmpStopCheck& stopped = SnmpStopCheck());

// The queries a plug-in's worker makes, so that a test can answer them with figures of its own.
class ISnmpQueries {
public:
    virtual ~ISnmpQueries() = default;
    virtual int Get(const char* host, const std::vector<std::string>& oids,
                    std::vector<std::string>* values, std::vector<unsigned int>* syntax,
                    unsigned long waitMs) = 0;
    virtual int Walk(const char* host, const char* root, std::vector<SnmpRow>* rows,
                     const SnmpStopCheck& stopped) = 0;
};

// GetOIDValuesFromHost and SnmpWalk themselves.
ISnmpQueries& SystemSnmpQueries();
