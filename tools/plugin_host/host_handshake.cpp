#include "host_handshake.h"

#include "com_bstr.h"
#include "heap_helpers.h"
#include "init_handshake.h"

bool ProtectInitText(const std::wstring& plain, const std::wstring& entropyText, BSTR* blob)
{
    CComBSTR out;
    if (plain == entropyText) {
        if (!ProtectClassIdText(plain.c_str(), &out))
            return false;
    } else {
        // Made like the agent's blob, but of another text than the entropy's.
        CClassIdEntropy data(plain.c_str());
        CClassIdEntropy entropy(entropyText.c_str());
        if (!data.IsValid() || !entropy.IsValid() ||
            !ProtectData(data.Bytes(), data.Length(), entropy.Bytes(), entropy.Length(), &out))
            return false;
    }
    *blob = out.Detach();
    return true;
}

bool UnprotectInitReply(BSTR reply, const std::wstring& clsidText, std::string* codes)
{
    char* text = nullptr;
    if (!UnprotectCommandCodes(clsidText.c_str(), reinterpret_cast<const BYTE*>(reply),
                               SysStringByteLen(reply), &text))
        return false;
    *codes = text;
    FreeHeapBlock(text);
    return true;
}
