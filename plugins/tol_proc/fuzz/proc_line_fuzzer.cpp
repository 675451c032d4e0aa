// Fuzz target of tol_proc's test lines: each line of the input handed to the plug-in's checker
// as Add hands it, over a host of a few processes (the unit tests' process source), and a check
// pass run after the lines. Any line must be refused or taken without a fault; every record of
// the pass must be whole, its texts UTF-8; and every test left must go with the delete line of
// its id.
#include <string>

#include "fuzz_support.h"
#include "proc_checker.h"
#include "tests/fake_process_source.h"

namespace {

void CheckRecords(const std::string& records)
{
    size_t at = 0;
    while (at < records.size()) {
        Check(records.size() - at >= 4);
        uint32_t length;
        memcpy(&length, records.data() + at, 4);
        Check(length <= records.size() - at);
        std::string texts[4];
        Check(RecordIsWhole(reinterpret_cast<const unsigned char*>(records.data() + at), length,
                            texts, 4));
        for (const std::string& text : texts)
            Check(IsUtf8(text));
        at += length;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CFakeProcessSource host;
    host.Run(4, L"System");
    host.Run(100, L"Tolvane.exe").cpuMs = 500;
    host.Run(104, L"\u00e4rger.exe");
    CProcChecker checker(host);
    ForEachLine(data, size, [&checker](const std::string& line) {
        bool checkNow = false;
        checker.ProcessLine(line.c_str(), &checkNow);
    });
    host.Advance(1000);
    std::string records;
    checker.CheckPass(false, &records);
    CheckRecords(records);
    for (const ProcLogLine& log : checker.TakeLog())
        Check(log.text.rfind("tol_proc: ", 0) == 0);
    while (checker.Tests().Size() > 0) {
        int id = const_cast<CProcTestList&>(checker.Tests()).At(0).tid;
        bool checkNow = false;
        Check(checker.ProcessLine(("PRD\t" + std::to_string(id) + "\t0").c_str(), &checkNow));
    }
    return 0;
}
