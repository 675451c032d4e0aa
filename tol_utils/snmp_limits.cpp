#include "snmp_limits.h"

#include "heap_helpers.h"
#include "snmp_value_text.h"
#include "text_fields.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

int* HeapInt(int value)
{
    int* p = static_cast<int*>(HeapAllocZero(sizeof(int)));
    if (p)
        *p = value;
    return p;
}

// A status text; an identifier name is at most 1,408 characters.
std::string Printf(const char* format, ...)
{
    char text[2048];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

bool IsUnsignedSyntax(smiUINT32 syntax)
{
    return syntax == SNMP_SYNTAX_CNTR32 || syntax == SNMP_SYNTAX_GAUGE32 ||
           syntax == SNMP_SYNTAX_TIMETICKS || syntax == SNMP_SYNTAX_UINT32 ||
           syntax == SNMP_SYNTAX_CNTR64;
}

}  // namespace

bool ParseSnmpLimits(const char* text, unsigned count, int** lower, int** upper)
{
    CTextFields fields(text, ';');
    if (fields.count() != count)
        return false;
    for (unsigned i = 0; i < count; ++i) {
        CTextFields pair(fields[i], ',');
        if (pair.count() != 2)
            continue;
        lower[i] = HeapInt(atoi(pair[0]));
        upper[i] = HeapInt(atoi(pair[1]));
    }
    return true;
}

void FreeSnmpLimits(unsigned count, int** lower, int** upper)
{
    for (unsigned i = 0; i < count; ++i) {
        if (lower) {
            FreeHeapBlock(lower[i]);
            lower[i] = nullptr;
        }
        if (upper) {
            FreeHeapBlock(upper[i]);
            upper[i] = nullptr;
        }
    }
}

unsigned JudgeSnmpValue(const smiVALUE& value, const int* lower, const int* upper,
                        const char* oidName, std::string& text)
{
    const char* name = oidName ? oidName : "";
    const bool limited = lower && upper;
    if (value.syntax == SNMP_SYNTAX_INT && limited) {
        long long number = value.value.sNumber;
        if (number < *lower || number > *upper) {
            text = Printf("OID:       %s\nValue:     %lld\nMin Value: %d\nMax Value: %d\n", name,
                          number, *lower, *upper);
            return 2;
        }
    } else if (IsUnsignedSyntax(value.syntax) && limited) {
        unsigned long long number = SnmpUnsignedValue(value);
        // A negative lower limit bounds nothing; the upper limit is taken sign-extended.
        unsigned long long low = *lower < 0 ? 0 : static_cast<unsigned long long>(*lower);
        unsigned long long high = static_cast<unsigned long long>(static_cast<long long>(*upper));
        if (number < low || number > high) {
            const char* format =
                value.syntax == SNMP_SYNTAX_CNTR64
                    ? "OID:       %s\nValue:     %llu\nMin Value: %d\nMax Value: %d\n"
                    : "OID:       %s\nValue:     %llu\nMin value: %d\nMax Value: %d\n";
            text = Printf(format, name, number, *lower, *upper);
            return 2;
        }
    } else if (value.syntax == SNMP_SYNTAX_NOSUCHOBJECT) {
        text = Printf("OID: %s no such object", name);
        return 2;
    } else if (value.syntax == SNMP_SYNTAX_NOSUCHINSTANCE) {
        text = Printf("OID: %s no such instance", name);
        return 2;
    } else if (value.syntax == SNMP_SYNTAX_ENDOFMIBVIEW) {
        text = Printf("OID: %s end of MIB view", name);
        return 2;
    }
    text = Printf("OID: %s the result is available.\n", name);
    return 0;
}
