#include "init_handshake.h"

#include <wincrypt.h>

#include <cstring>
#include <cwchar>

#include "heap_helpers.h"

namespace {

const wchar_t kDescription[] = L"Data Encryption";

}  // namespace

CClassIdEntropy::CClassIdEntropy(const CLSID& clsid)
{
    LPOLESTR text = nullptr;
    HRESULT hr = StringFromCLSID(clsid, &text);
    if (FAILED(hr) || !text) {
        m_error = GetLastError();
        if (m_error == 0)
            m_error = static_cast<DWORD>(hr);
        return;
    }
    Take(text);
    CoTaskMemFree(text);
}

CClassIdEntropy::CClassIdEntropy(const wchar_t* text)
{
    if (text)
        Take(text);
    else
        m_error = ERROR_INVALID_PARAMETER;
}

CClassIdEntropy::~CClassIdEntropy()
{
    FreeHeapBlock(m_bytes);
}

void CClassIdEntropy::Take(const wchar_t* text)
{
    DWORD length = static_cast<DWORD>(wcslen(text) * sizeof(wchar_t) + 1);
    m_bytes = static_cast<BYTE*>(HeapAllocZero(length + 1));
    if (!m_bytes) {
        m_error = ERROR_NOT_ENOUGH_MEMORY;
        return;
    }
    memcpy(m_bytes, text, length - 1);  // the byte after them is the NUL's first byte
    m_length = length;
}

bool ProtectData(const BYTE* data, DWORD length, const BYTE* entropy, DWORD entropyLength,
                 CComBSTR* out)
{
    if (!data || length == 0 || !out)
        return false;
    DATA_BLOB in{length, const_cast<BYTE*>(data)};
    DATA_BLOB salt{entropyLength, const_cast<BYTE*>(entropy)};
    DATA_BLOB blob{0, nullptr};
    if (!CryptProtectData(&in, kDescription, entropy ? &salt : nullptr, nullptr, nullptr, 0, &blob))
        return false;
    bool ok = out->AssignBytes(blob.pbData, blob.cbData);
    LocalFree(blob.pbData);
    return ok;
}

AgentAuthResult CheckAgentAuth(const CLSID& clsid, const BYTE* blob, DWORD length)
{
    if (!blob || length == 0)
        return AgentAuthResult::NoAuth;
    CClassIdEntropy entropy(clsid);
    if (!entropy.IsValid()) {
        SetLastError(entropy.LastError());
        return AgentAuthResult::NoClassIdText;
    }
    DATA_BLOB salt = entropy.Blob();
    unsigned char* plain = nullptr;
    unsigned long plainLength = 0;
    if (!UnprotectToHeap(blob, length, &salt, &plain, &plainLength))
        return AgentAuthResult::Refused;
    bool same = plainLength == entropy.Length() && memcmp(plain, entropy.Bytes(), plainLength) == 0;
    SecureZeroMemory(plain, plainLength);
    FreeHeapBlock(plain);
    return same ? AgentAuthResult::Accepted : AgentAuthResult::Refused;
}

bool ProtectCommandCodes(const CLSID& clsid, const char* commandCodes, CComBSTR* out)
{
    if (!commandCodes)
        return false;
    CClassIdEntropy entropy(clsid);
    if (!entropy.IsValid())
        return false;
    return ProtectData(reinterpret_cast<const BYTE*>(commandCodes),
                       static_cast<DWORD>(strlen(commandCodes) + 1), entropy.Bytes(),
                       entropy.Length(), out);
}

bool ProtectClassIdText(const wchar_t* clsidText, CComBSTR* out)
{
    CClassIdEntropy entropy(clsidText);
    if (!entropy.IsValid())
        return false;
    return ProtectData(entropy.Bytes(), entropy.Length(), entropy.Bytes(), entropy.Length(), out);
}

bool UnprotectCommandCodes(const wchar_t* clsidText, const BYTE* blob, DWORD length, char** codes)
{
    if (!codes)
        return false;
    *codes = nullptr;
    if (!blob || length == 0)
        return false;
    CClassIdEntropy entropy(clsidText);
    if (!entropy.IsValid())
        return false;
    DATA_BLOB salt = entropy.Blob();
    unsigned char* plain = nullptr;
    unsigned long plainLength = 0;
    if (!UnprotectToHeap(blob, length, &salt, &plain, &plainLength))
        return false;
    *codes = reinterpret_cast<char*>(plain);  // UnprotectToHeap adds a NUL after the bytes
    return true;
}
