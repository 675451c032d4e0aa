// The InitHandshake of the plug-in contract, both sides.
//
// The agent protects a plug-in's class identifier text with the data protection API and passes
// the blob to ITolvanePlugIn::Init; the plug-in unprotects it, accepts it only when it is its own
// class identifier, and answers with its command-code list protected the same way. Both sides use
// the description "Data Encryption" and, as entropy, the class identifier text as
// StringFromCLSID writes it: its UTF-16 bytes and the first byte of the terminating NUL
// (2 x length + 1 bytes, 77 for a class identifier).
#pragma once

#include <windows.h>

#include "com_bstr.h"

// The entropy bytes of a class identifier text (braced, upper-case): 2 x length + 1 bytes.
class CClassIdEntropy {
public:
    explicit CClassIdEntropy(const CLSID& clsid);   // built with StringFromCLSID
    explicit CClassIdEntropy(const wchar_t* text);  // the text as given (null: invalid)
    ~CClassIdEntropy();
    CClassIdEntropy(const CClassIdEntropy&) = delete;
    CClassIdEntropy& operator=(const CClassIdEntropy&) = delete;

    bool IsValid() const { return m_bytes != nullptr; }
    DWORD LastError() const { return m_error; }  // why building the text failed
    const BYTE* Bytes() const { return m_bytes; }
    DWORD Length() const { return m_length; }
    DATA_BLOB Blob() const { return DATA_BLOB{m_length, m_bytes}; }

private:
    void Take(const wchar_t* text);

    BYTE* m_bytes = nullptr;  // process-heap copy of the text
    DWORD m_length = 0;
    DWORD m_error = 0;
};

// Protects data (refused when null or empty) with the description "Data Encryption" and the
// entropy, and puts the blob's bytes into `out` as a byte string.
bool ProtectData(const BYTE* data, DWORD length, const BYTE* entropy, DWORD entropyLength,
                 CComBSTR* out);

// Plug-in side.
enum class AgentAuthResult {
    Accepted,
    NoAuth,         // no blob, or an empty one
    NoClassIdText,  // StringFromCLSID failed (the thread's last error says why)
    Refused,        // unprotecting failed, or the plaintext is not the class identifier
};
AgentAuthResult CheckAgentAuth(const CLSID& clsid, const BYTE* blob, DWORD length);
// The answer: the command-code list with its terminating NUL, protected for the class.
bool ProtectCommandCodes(const CLSID& clsid, const char* commandCodes, CComBSTR* out);

// Agent side, given the class identifier text as the registry names it.
bool ProtectClassIdText(const wchar_t* clsidText, CComBSTR* out);
// Unprotects the plug-in's answer into a NUL-terminated process-heap text (FreeHeapBlock).
bool UnprotectCommandCodes(const wchar_t* clsidText, const BYTE* blob, DWORD length, char** codes);
