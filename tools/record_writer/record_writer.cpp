// Writes a fixed set of result records, back to back as a plug-in hands them over, to the file
// named on the command line. The system tests decode the file and compare every value.
// Exit code 0 when every record was built and written; 1 with a line on stderr otherwise.
#include "mon_result2.h"
#include "result_types.h"

#include <windows.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

char* Narrow(const char* text)
{
    return const_cast<char*>(text);
}

wchar_t* Wide(const wchar_t* text)
{
    return const_cast<wchar_t*>(text);
}

// Keeps the first failing step's name; every later step is skipped.
class Steps {
public:
    bool Check(bool ok, const char* what)
    {
        if (!ok && m_failed.empty())
            m_failed = what;
        return ok;
    }
    bool Failed() const { return !m_failed.empty(); }
    const std::string& What() const { return m_failed; }

private:
    std::string m_failed;
};

// A ping result: status, text, average, lost.
void WriteIcmp(CMonResult2& r, Steps& s)
{
    s.Check(r.create(0, 5, 1, 0, 1, 1), "icmp create") &&
        s.Check(r.init(RESULT_ICMP, 7, 9), "icmp init") && s.Check(r.add(0u), "icmp status") &&
        s.Check(r.add(Narrow("ICMP echo results are within acceptable limits.\n"
                             "Packets: Sent = 4, Received = 4, Lost = 0.\n"
                             "Average round trip time: 1ms")),
                "icmp text") &&
        s.Check(r.add(0.75), "icmp average") && s.Check(r.add(0u), "icmp lost");
}

bool AddOidItem(CMonResult2& parent, const char* oid, const wchar_t* value, Steps& s)
{
    CMonResult2 item;
    return s.Check(item.create(0, 0, 0, 0, 0, 2), "item create") &&
           s.Check(item.add(Narrow(oid)), "item oid") &&
           s.Check(item.add(Wide(value)), "item value") && s.Check(parent.add(&item), "item add");
}

// A range-scan host: five texts (two of them missing), two nested per-OID items.
void WriteScanHost(CMonResult2& r, Steps& s)
{
    s.Check(r.create(0, 3, 1, 0, 1, 5), "scan create") &&
        s.Check(r.init(RESULT_SCAN, static_cast<unsigned>(-2), 3), "scan init") &&
        s.Check(r.add(Narrow("127.0.0.1")), "scan host") &&
        s.Check(r.add(Wide(L"Gr\u00fc\u00dfe aus K\u00f6ln \u2013 \u6771\u4eac")), "scan name") &&
        s.Check(r.add(Narrow("")), "scan descr") &&
        s.Check(r.add(static_cast<char*>(nullptr)), "scan object value") &&
        s.Check(r.add(Narrow("1.3.6.1.4.1.311")), "scan object id") &&
        AddOidItem(r, "1.3.6.1.2.1.1.6.0", L"Serverraum \u00b7 3. OG", s) &&
        AddOidItem(r, "1.3.6.1.2.1.1.4.0", L"", s);
}

// Every section at its limits, and a nested record that holds another one.
void WriteEverySection(CMonResult2& r, Steps& s)
{
    CMonResult2 inner, middle;
    s.Check(r.create(2, 4, 2, 2, 2, 2), "full create") &&
        s.Check(r.init(RESULT_LOAD_AVERAGE, 1, 2), "full init") &&
        s.Check(r.add(INT_MIN), "full i32 min") && s.Check(r.add(INT_MAX), "full i32 max") &&
        s.Check(r.add(UINT_MAX), "full ui32 max") &&
        s.Check(r.add(static_cast<__int64>(INT64_MIN)), "full i64 min") &&
        s.Check(r.add(static_cast<unsigned __int64>(UINT64_MAX)), "full ui64 max") &&
        s.Check(r.add(static_cast<unsigned __int64>(0)), "full ui64 zero") &&
        s.Check(r.add(-2.5), "full d64") && s.Check(r.add(1e-300), "full d64 tiny") &&
        s.Check(r.add(Narrow("first")), "full text") &&
        s.Check(r.add(Wide(L"\U0001F600")), "full wide text") &&
        s.Check(inner.create(1, 0, 0, 0, 0, 0), "inner create") &&
        s.Check(inner.add(-1), "inner i32") &&
        s.Check(middle.create(0, 0, 0, 0, 0, 1), "middle create") &&
        s.Check(middle.add(Narrow("middle")), "middle text") &&
        s.Check(middle.add(&inner), "middle nested") && s.Check(r.add(&middle), "full nested");
}

bool WriteAll(FILE* file, CMonResult2& r)
{
    return fwrite(r.get_pointer(), 1, r.get_size(), file) == r.get_size();
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: record_writer <file>\n");
        return 1;
    }
    CMonResult2 icmp, scan, full;
    Steps steps;
    WriteIcmp(icmp, steps);
    WriteScanHost(scan, steps);
    WriteEverySection(full, steps);
    if (steps.Failed()) {
        fprintf(stderr, "record_writer: %s failed\n", steps.What().c_str());
        return 1;
    }
    FILE* file = _wfopen(argv[1], L"wb");
    if (!file) {
        fprintf(stderr, "record_writer: cannot open the output file\n");
        return 1;
    }
    bool written = WriteAll(file, icmp) && WriteAll(file, scan) && WriteAll(file, full);
    written = fclose(file) == 0 && written;
    if (!written) {
        fprintf(stderr, "record_writer: writing failed\n");
        return 1;
    }
    return 0;
}
