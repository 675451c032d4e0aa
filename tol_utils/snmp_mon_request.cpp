// CSNMPmon in request mode: the answer as it arrives on the API's notification thread, and
// the texts and records made of each answered value.
#include "snmp_mon.h"

#include "heap_helpers.h"
#include "snmp_handles.h"
#include "snmp_limits.h"
#include "snmp_mon_state.h"
#include "snmp_records.h"
#include "snmp_value_text.h"

#include <cstdio>
#include <string>

unsigned long CSNMPmon::processNotification(unsigned int code, long)
{
    if (code == SNMPAPI_TL_TIMEOUT) {
        if (!m_State->done) {
            m_Timer.Stop();
            m_Elapsed = m_Timer.Elapsedms();
            SetError("Request timed out");
            Complete();
        }
        return 1;
    }
    if (code != 0)
        return 1;
    CSnmpReceived message;
    bool received = message.receive(m_Session);
    if (m_State->done)
        return 1;  // the request has ended: a late answer is dropped
    if (!received || !message.read()) {
        SetApiError();
        Complete();
        return 1;
    }
    if (message.type == SNMP_PDU_RESPONSE) {
        m_Timer.Stop();
        m_Elapsed = m_Timer.Elapsedms();
        if (libpo_SnmpCountVbl(message.vbl) > 0)
            StoreAnswer(message);
        // An agent that refuses the request (noSuchName, genErr, tooBig ...) still answers
        // with a response: its error status makes the request fail.
        if (message.errorStatus != 0)
            MarkFailedIndex(message.errorStatus, message.errorIndex);
    }
    Complete();
    return 1;
}

// The owner learns of the end through wait; m_Event stays as it is, so that a request does
// not pay a call into the system for each completion (cancelRequest sets it).
void CSNMPmon::Complete()
{
    m_State->done = true;
    Signal(false);
}

void CSNMPmon::StoreAnswer(const CSnmpReceived& message)
{
    std::string text;
    if (SnmpEntityText(message.source, text)) {
        FreeHeapBlock(m_SourceAddress);
        m_SourceAddress = DupText(text.c_str());
    } else {
        SetApiError();
    }
    if (SnmpContextText(message.context, text)) {
        FreeHeapBlock(m_ContextText);
        m_ContextText = DupText(text.c_str());
    }
    smiUINT32 count = libpo_SnmpCountVbl(message.vbl);
    for (smiUINT32 k = 1; k <= count; ++k) {
        CSnmpBinding binding;
        if (!binding.read(message.vbl, k)) {
            SetApiError();
            break;
        }
        if (k - 1 >= m_OidCount)
            continue;  // more bindings than asked for: dropped
        unsigned i = k - 1;
        m_OidNames[i] = DupText(SnmpOidText(binding.name).c_str());
        m_Syntax[i] = getSyntaxAsInteger(&binding.value);
        m_Values[i] = getValueAsString(&binding.value);
        m_Status[i] = getRetStatus(&binding.value, i, nullptr);
        m_Results[i] = get_result_as_bin(&binding.value, i);
    }
}

void CSNMPmon::MarkFailedIndex(long errorStatus, long errorIndex)
{
    char* text = GetPDUErrorText(errorStatus);
    if (errorIndex >= 1 && static_cast<unsigned long>(errorIndex) <= m_OidCount) {
        unsigned i = static_cast<unsigned>(errorIndex - 1);
        m_Status[i] = 2;
        delete m_Results[i];
        m_Results[i] = NewSnmpValueRecord(m_Syntax[i], 2, m_Values[i], text);
    }
    TakeError(text);
}

unsigned int CSNMPmon::getSyntaxAsInteger(smiVALUE* value)
{
    return SnmpSyntaxCode(value->syntax);
}

char* CSNMPmon::getSyntaxAsString(smiVALUE* value)
{
    char text[4];
    snprintf(text, sizeof(text), "%u", getSyntaxAsInteger(value) % 100);
    return DupText(text);
}

char* CSNMPmon::getValueAsString(smiVALUE* value)
{
    std::string oid =
        value->syntax == SNMP_SYNTAX_OID ? SnmpOidText(value->value.oid) : std::string();
    return DupText(SnmpValueText(*value, oid.c_str()).c_str());
}

unsigned int CSNMPmon::getRetStatus(smiVALUE* value, unsigned int index, char** text)
{
    std::string statusText;
    unsigned status =
        JudgeSnmpValue(*value, m_Min ? m_Min[index] : nullptr, m_Max ? m_Max[index] : nullptr,
                       m_OidNames ? m_OidNames[index] : nullptr, statusText);
    if (text)
        *text = DupText(statusText.c_str());
    return status;
}

CMonResult2* CSNMPmon::get_result_as_bin(smiVALUE* value, unsigned int index)
{
    char* statusText = nullptr;
    unsigned status = getRetStatus(value, index, &statusText);
    char* valueText = getValueAsString(value);
    CMonResult2* record =
        NewSnmpValueRecord(getSyntaxAsInteger(value), status, valueText, statusText);
    FreeHeapBlock(valueText);
    FreeHeapBlock(statusText);
    return record;
}
