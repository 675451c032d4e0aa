// CSNMPmon in trap mode: registration, and one RESULT_SNMP_TRAP package per variable binding
// of every trap and inform that arrives; informs are answered.
#include "snmp_mon.h"

#include "heap_helpers.h"
#include "snmp_error_text.h"
#include "snmp_handles.h"
#include "snmp_mon_state.h"
#include "snmp_records.h"
#include "snmp_value_text.h"

#include <cstdio>
#include <new>
#include <string>

namespace {

const char kNone[] = "-";
const unsigned kErrorSyntaxCode = 19;
// Informs remembered so that a repeated one is answered again but queued once.
const size_t kRememberedInforms = 64;

std::string InformKey(const std::string& sender, const std::string& community, smiINT32 requestId)
{
    return sender + '\n' + community + '\n' + std::to_string(requestId);
}

}  // namespace

bool CSNMPmon::RegisterTrap(bool state)
{
    if (!m_TrapMode)
        return false;
    if (!m_Initialized) {
        TakeError(GetSnmpApiErrorText(SNMPAPI_NOT_INITIALIZED));
        return false;
    }
    if (libpo_SnmpRegister(m_Session, nullptr, m_Entity, m_Context, nullptr,
                           state ? SNMPAPI_ON : SNMPAPI_OFF) != SNMPAPI_SUCCESS) {
        SetApiError();
        return false;
    }
    m_TrapMode = state;
    return true;
}

void CSNMPmon::DeleteResult(CMonResult2* package)
{
    delete package;
}

unsigned long CSNMPmon::TakeDroppedPackages()
{
    return m_State->packageBounds.TakeDropped();
}

void CSNMPmon::QueuePackage(CMonResult2* package)
{
    if (!package)
        return;
    EnterCriticalSection(&m_PackageLock);
    m_State->packageBounds.Push(m_Packages, package);
    LeaveCriticalSection(&m_PackageLock);
}

// An error package: status 2, the sender and community when known, and the API's error text.
void CSNMPmon::QueueErrorPackage(const char* sender, const char* community, unsigned long apiError)
{
    SnmpTrapFields fields{
        kErrorSyntaxCode, 0, 2, {sender, community, kNone, kNone, SnmpApiErrorText(apiError)}};
    QueuePackage(NewSnmpTrapPackage(m_TestId, m_LocationId, fields));
}

unsigned long CSNMPmon::processTrapAndInforNotification(unsigned int code, long)
{
    if (code == SNMPAPI_TL_TIMEOUT) {
        m_Timer.Stop();
        m_Elapsed = m_Timer.Elapsedms();
        Signal(true);
        return 1;
    }
    if (code != 0)
        return 1;
    CSnmpReceived message;
    if (!message.receive(m_Session) || !message.read()) {
        QueueErrorPackage(kNone, kNone, libpo_SnmpGetLastError(m_Session));
        Signal(true);
        return 1;
    }
    bool inform = message.type == SNMP_PDU_INFORM;
    if (!inform && message.type != SNMP_PDU_TRAP)
        return 1;
    std::string sender = kNone;
    std::string community = kNone;
    if (!SnmpEntityText(message.source, sender))
        sender = kNone;
    if (!SnmpContextText(message.context, community))
        community = kNone;
    if (inform) {
        // The sender repeats an inform until it is answered; each copy is answered, the
        // first one only is queued.
        AnswerInform(message);
        std::string key = InformKey(sender, community, message.requestId);
        auto& recent = m_State->recentInforms;
        for (const std::string& seen : recent)
            if (seen == key)
                return 1;
        recent.push_back(key);
        if (recent.size() > kRememberedInforms)
            recent.pop_front();
    }
    if (libpo_SnmpCountVbl(message.vbl) == 0)
        return 1;
    m_Timer.Stop();
    m_Elapsed = m_Timer.Elapsedms();
    QueueBindings(message, sender, community, inform);
    Signal(true);
    return 1;
}

void CSNMPmon::AnswerInform(const CSnmpReceived& message)
{
    HSNMP_PDU answer =
        libpo_SnmpCreatePdu(m_Session, SNMP_PDU_RESPONSE, message.requestId, 0, 0, message.vbl);
    if (!answer)
        return;
    // From where the inform arrived, back to its sender, with its community.
    libpo_SnmpSendMsg(m_Session, message.destination, message.source, message.context, answer);
    libpo_SnmpFreePdu(answer);
}

void CSNMPmon::QueueBindings(const CSnmpReceived& message, const std::string& sender,
                             const std::string& community, bool inform)
{
    char notice[64];
    snprintf(notice, sizeof(notice), "A new %s package is obtained.", inform ? "INFORM" : "TRAP");
    smiUINT32 count = libpo_SnmpCountVbl(message.vbl);
    for (smiUINT32 k = 1; k <= count; ++k) {
        CSnmpBinding binding;
        if (!binding.read(message.vbl, k)) {
            QueueErrorPackage(sender.c_str(), community.c_str(), libpo_SnmpGetLastError(m_Session));
            return;
        }
        std::string name = SnmpOidText(binding.name);
        char* value = getValueAsString(&binding.value);
        SnmpTrapFields fields{getSyntaxAsInteger(&binding.value),
                              inform ? 2u : 1u,
                              0,
                              {sender.c_str(), community.c_str(), name.c_str(), value, notice}};
        QueuePackage(NewSnmpTrapPackage(m_TestId, m_LocationId, fields));
        FreeHeapBlock(value);
    }
}
