#include "md5_hex.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>

bool Md5Hex(const char* text, std::string& out)
{
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, 0xF0000020))
        return false;
    HCRYPTHASH hash = 0;
    bool ok = false;
    if (CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) {
        BYTE digest[16];
        DWORD digestLength = sizeof(digest);
        if (CryptHashData(hash, reinterpret_cast<const BYTE*>(text), text ? strlen(text) : 0, 0) &&
            CryptGetHashParam(hash, HP_HASHVAL, digest, &digestLength, 0)) {
            out.clear();
            char hex[3];
            for (DWORD i = 0; i < digestLength; ++i) {
                snprintf(hex, sizeof(hex), "%02x", digest[i]);
                out += hex;
            }
            ok = true;
        }
        CryptDestroyHash(hash);
    }
    CryptReleaseContext(provider, 0);
    return ok;
}
