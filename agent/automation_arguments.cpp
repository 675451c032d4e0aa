#include "automation_arguments.h"

#include "agent_texts.h"

#include <oleauto.h>

namespace {

struct TextRule {
    const wchar_t* notText;
    const wchar_t* badLength;
    const wchar_t* controlCharacter;  // null: control characters are allowed
};

const TextRule kEMailRule = {TOL_TEXT_EMAIL_NOT_TEXT, TOL_TEXT_EMAIL_LENGTH,
                             TOL_TEXT_EMAIL_CONTROL};
const TextRule kNameRule = {TOL_TEXT_NAME_NOT_TEXT, TOL_TEXT_NAME_LENGTH, TOL_TEXT_NAME_CONTROL};
// The password only ever leaves the agent as its digest.
const TextRule kPasswordRule = {TOL_TEXT_PASSWORD_NOT_TEXT, TOL_TEXT_PASSWORD_LENGTH, nullptr};

const wchar_t* CheckText(const VARIANT& value, const TextRule& rule)
{
    if (V_VT(&value) != VT_BSTR)
        return rule.notText;
    UINT length = SysStringLen(V_BSTR(&value));
    if (length == 0 || length > kMaxAutomationTextLength)
        return rule.badLength;
    if (rule.controlCharacter && HasControlCharacter(V_BSTR(&value), length))
        return rule.controlCharacter;
    return nullptr;
}

}  // namespace

bool HasControlCharacter(const wchar_t* text, UINT length)
{
    for (UINT i = 0; text && i < length; ++i) {
        wchar_t c = text[i];
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            return true;
    }
    return false;
}

const wchar_t* CheckRegisterArguments(const VARIANT& eMail, const VARIANT& name,
                                      const VARIANT& password)
{
    if (const wchar_t* error = CheckText(eMail, kEMailRule))
        return error;
    if (const wchar_t* error = CheckText(name, kNameRule))
        return error;
    return CheckText(password, kPasswordRule);
}

const wchar_t* CheckProxyArgument(const VARIANT& proxy)
{
    if (V_VT(&proxy) != VT_BSTR)
        return TOL_TEXT_PROXY_NOT_TEXT;
    if (SysStringLen(V_BSTR(&proxy)) > kMaxAutomationTextLength)
        return TOL_TEXT_PROXY_LENGTH;
    return nullptr;
}
