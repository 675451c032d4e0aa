// The checks of the automation object's Register and SetProxy arguments: the text of the
// first failing check, or null when the arguments pass.
#pragma once

#include <windows.h>
#include <oaidl.h>

constexpr UINT kMaxAutomationTextLength = 256;

const wchar_t* CheckRegisterArguments(const VARIANT& eMail, const VARIANT& name,
                                      const VARIANT& password);
const wchar_t* CheckProxyArgument(const VARIANT& proxy);

// A text that would break a request header line: any control character (C0, DEL, C1).
bool HasControlCharacter(const wchar_t* text, UINT length);
