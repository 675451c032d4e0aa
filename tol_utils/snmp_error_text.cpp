#include "snmp_error_text.h"

#include <cstddef>

namespace {

struct CodeText {
    unsigned long code;
    const char* text;
};

const char kUnknown[] = "Unknown Error";

const char* const kPduErrors[] = {
    "No errors occurred during transmission.",
    "The agent could not place the results of the requested SNMP operation into a single SNMP "
    "message.",
    "The requested SNMP operation identified an unknown variable.",
    "The requested SNMP operation tried to change a variable but it specified either a syntax or "
    "value error.",
    "The requested SNMP operation tried to change a variable that was not allowed to change, "
    "according to the community profile of the variable.",
    "An unknown error occurred during the requested SNMP operation.",
    "The specified SNMP variable is not accessible.",
    "The value specifies a type that is inconsistent with the type required for the variable.",
    "The value specifies a length that is inconsistent with the length required for the variable.",
    "The value contains an Abstract Syntax Notation One (ASN.1) encoding that is inconsistent with "
    "the ASN.1 tag of the field.",
    "The value cannot be assigned to the variable.",
    "The variable does not exist, and the agent cannot create it.",
    "The value is inconsistent with values of other managed objects.",
    "Assigning the value to the variable requires allocation of resources that are currently "
    "unavailable.",
    "No validation errors occurred, but no variables were updated.",
    "No validation errors occurred. Some variables were updated because it was not possible to "
    "undo their assignment.",
    "An authorization error occurred.",
    "The variable exists but the agent cannot modify it.",
    "The variable does not exist; the agent cannot create it because the named object instance is "
    "inconsistent with the values of other managed objects.",
};

const CodeText kApiErrors[] = {
    {2, "Error allocating memory"},
    {3, "Invalid context parameter"},
    {4, "Unknown context parameter"},
    {5, "Invalid entity parameter"},
    {6, "Unknown entity parameter"},
    {7, "Invalid VBL index parameter"},
    {8, "No operation performed"},
    {9, "Invalid OID parameter"},
    {10, "Invalid/unsupported operation"},
    {11, "Insufficient output buf len"},
    {12, "Invalid PDU parameter"},
    {13, "Invalid session parameter"},
    {14, "Invalid syntax in smiVALUE"},
    {15, "Invalid VBL parameter"},
    {16, "Invalid mode parameter"},
    {17, "Invalid size/length parameter"},
    {18, "SnmpStartup failed/not called"},
    {19, "Invalid SNMP message format"},
    {20, "Invalid Window handle"},
    {100, "TL not initialized"},
    {101, "TL does not support protocol"},
    {102, "Network subsystem has failed"},
    {103, "TL resource error"},
    {104, "Destination unreachable"},
    {105, "Source endpoint invalid"},
    {106, "Input parameter invalid"},
    {107, "Source endpoint in use"},
    {108, "No response before timeout"},
    {109, "PDU too big for send/receive"},
    {199, "Undefined TL error"},
};

}  // namespace

const char* SnmpPduErrorText(long errorStatus)
{
    const long count = static_cast<long>(sizeof(kPduErrors) / sizeof(kPduErrors[0]));
    return errorStatus >= 0 && errorStatus < count ? kPduErrors[errorStatus] : kUnknown;
}

const char* SnmpApiErrorText(unsigned long code)
{
    for (const CodeText& entry : kApiErrors)
        if (entry.code == code)
            return entry.text;
    return kUnknown;
}
