#include "event_account.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "heap_helpers.h"

namespace {

constexpr DWORD kAccountChars = 261;

}  // namespace

EventAccount LookupEventAccount(const BYTE* sid, DWORD sidLength)
{
    EventAccount account;
    if (!sid || sidLength < 8)
        return account;
    // A copy of its own: the record's bytes need not be aligned.
    std::vector<BYTE> copy(sid, sid + sidLength);
    PSID own = copy.data();
    if (!IsValidSid(own) || GetLengthSid(own) > sidLength)
        return account;
    wchar_t name[kAccountChars] = {};
    wchar_t domain[kAccountChars] = {};
    DWORD nameChars = kAccountChars;
    DWORD domainChars = kAccountChars;
    SID_NAME_USE use = SidTypeUnknown;
    if (!LookupAccountSidW(nullptr, own, name, &nameChars, domain, &domainChars, &use))
        return account;
    name[kAccountChars - 1] = L'\0';
    domain[kAccountChars - 1] = L'\0';
    char* text = SidToText(own);
    account.name = name;
    account.domain = domain;
    account.sidText = text ? text : "";
    account.sidUse = static_cast<unsigned>(use);
    FreeHeapBlock(text);
    return account;
}

char* SidToText(PSID sid)
{
    if (!sid || !IsValidSid(sid))
        return nullptr;
    std::string text = "S-1-";
    char part[64];
    const SID_IDENTIFIER_AUTHORITY* authority = GetSidIdentifierAuthority(sid);
    const BYTE* a = authority->Value;
    if (a[0] != 0 || a[1] != 0)
        snprintf(part, sizeof part, "0x%02hx%02hx%02hx%02hx%02hx%02hx", (unsigned short)a[0],
                 (unsigned short)a[1], (unsigned short)a[2], (unsigned short)a[3],
                 (unsigned short)a[4], (unsigned short)a[5]);
    else
        snprintf(part, sizeof part, "%lu",
                 (unsigned long)a[2] << 24 | (unsigned long)a[3] << 16 | (unsigned long)a[4] << 8 |
                     (unsigned long)a[5]);
    text += part;
    BYTE count = *GetSidSubAuthorityCount(sid);
    for (BYTE i = 0; i < count; ++i) {
        snprintf(part, sizeof part, "-%lu", (unsigned long)*GetSidSubAuthority(sid, i));
        text += part;
    }
    return DupText(text.c_str());
}
