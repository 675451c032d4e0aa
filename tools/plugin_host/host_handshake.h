// The agent's side of the Init handshake, for the host's init commands.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

// Protects `plain` (its UTF-16 characters and the first byte of the NUL) with the entropy of
// `entropyText` made the same way; the blob as a byte-string BSTR.
bool ProtectInitText(const std::wstring& plain, const std::wstring& entropyText, BSTR* blob);
// Unprotects the plug-in's reply with the class identifier text's entropy; the command codes.
bool UnprotectInitReply(BSTR reply, const std::wstring& clsidText, std::string* codes);
