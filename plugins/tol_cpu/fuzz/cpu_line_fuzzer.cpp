// Fuzz target of tol_cpu's test lines: each line of the input parsed as Add parses it, and a
// test taken judged against figures inside and outside its limits. Any line must be refused or
// read without a fault; its action must follow from its code and field count; no limit may read
// as NaN; and judging any limit a line can give must stay defined.
#include <cmath>
#include <string>

#include "cpu_line.h"
#include "cpu_verdict.h"
#include "fuzz_support.h"

namespace {

void Judge(const CpuTest& test)
{
    const double figures[] = {-1.0, 0.0, 42.5, 100.0};
    for (double figure : figures) {
        CpuFigures measured{figure, figure, figure, figure, figure};
        CpuVerdict verdict = JudgeCpu(test, measured, 0);
        Check(verdict.status == 0 || verdict.status == 2);
        CpuValuesLine(test, measured);
        CpuUsage usage{};
        usage.usage = figure;
        usage.kernel = figure;
        JudgeProcessor(test, 0, usage);
    }
}

void CheckLine(const std::string& line)
{
    CpuLine parsed;
    bool taken = ParseCpuLine(line.c_str(), &parsed);
    Check(taken == !line.empty());
    if (!taken)
        return;
    auto fields = SplitFields(line, '\t');
    const std::string code(fields[0]);
    const CpuTest& test = parsed.test;
    switch (parsed.action) {
    case LineAction::Add:
    case LineAction::Modify:
        Check((code == "CUA" || code == "CUM") && fields.size() >= 7 && fields.size() <= 10);
        Check(test.hostAddr == (fields.size() >= 9 ? std::string(fields[8]) : std::string()));
        for (double limit :
             {test.user_max, test.kernel_max, test.nice_max, test.idle_min, test.iowait_max})
            Check(!std::isnan(limit));
        Judge(test);
        break;
    case LineAction::Delete:
        Check(code == "CUD" && fields.size() >= 2);
        break;
    case LineAction::Ignored:
        Check(false);  // no line of this plug-in is ignored
        break;
    case LineAction::Incorrect:
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ForEachLine(data, size, CheckLine);
    return 0;
}
