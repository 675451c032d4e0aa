// Fuzz target of the SNMP client's handling of what any host sends: a datagram decoded as the
// WinSNMP layer decodes it (a v1 trap rewritten as the SNMPv2 trap it stands for), each binding
// handed over as the API hands it, then made into what a request keeps of an answer (value
// text, syntax code, status against the limits, the nested value record, the record of a
// failed index) and into the listener's RESULT_SNMP_TRAP packages. Nothing may fault, every
// status must be 0 or 2, every record must be whole and its texts of value, identifier and
// status UTF-8.
//
// Input: the limits text of the request ("lower,upper" per identifier, ";" between them), a
// newline, then the datagram. The request asks for as many identifiers as the limits text
// has fields (as many as the answer binds when it is empty).
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "smi_values.h"
#include "snmp_error_text.h"
#include "snmp_limits.h"
#include "snmp_message.h"
#include "snmp_records.h"
#include "snmp_value_text.h"

using namespace wsnmp;

namespace {

const size_t kOidTextChars = 1408;  // the longest dotted identifier the API writes

// The identifier's text as SnmpOidToStr gives it (none for an empty identifier).
std::string OidText(const smiOID& oid)
{
    std::string text;
    for (smiUINT32 i = 0; i < oid.len; ++i)
        text += (i ? "." : "") + std::to_string(oid.ptr[i]);
    return text.size() <= kOidTextChars ? text : std::string();
}

struct Binding {
    smiOID name{};
    smiVALUE value{};
    std::string nameText;
    std::string valueText;
};

void Free(Binding& binding)
{
    FreeDescriptorMemory(binding.name.ptr);
    if (binding.value.syntax == SNMP_SYNTAX_OID)
        FreeDescriptorMemory(binding.value.value.oid.ptr);
    else if (binding.value.syntax == SNMP_SYNTAX_OCTETS ||
             binding.value.syntax == SNMP_SYNTAX_BITS ||
             binding.value.syntax == SNMP_SYNTAX_OPAQUE ||
             binding.value.syntax == SNMP_SYNTAX_NSAPADDR ||
             binding.value.syntax == SNMP_SYNTAX_IPADDR)
        FreeDescriptorMemory(binding.value.value.string.ptr);
}

// A record made by the client: whole, and the texts that may come from the host UTF-8.
void CheckRecord(CMonResult2* record, unsigned textCount, unsigned firstHostText)
{
    Check(record != nullptr);
    std::string texts[5];
    Check(RecordIsWhole(reinterpret_cast<const unsigned char*>(record->get_pointer()),
                        record->get_size(), texts, textCount));
    for (unsigned t = firstHostText; t < textCount; ++t)
        Check(IsUtf8(texts[t]));
    delete record;
}

void Answer(const std::string& limits, const Message& message, const std::vector<Binding>& bindings)
{
    unsigned count =
        static_cast<unsigned>(limits.empty() ? bindings.size() : SplitFields(limits, ';').size());
    if (count == 0)
        return;
    std::vector<int*> lower(count, nullptr), upper(count, nullptr);
    Check(limits.empty() || ParseSnmpLimits(limits.c_str(), count, lower.data(), upper.data()));
    std::vector<unsigned> syntax(count, 0);
    std::vector<std::string> values(count);
    for (unsigned i = 0; i < count && i < bindings.size(); ++i) {
        const Binding& binding = bindings[i];
        std::string statusText;
        unsigned status =
            JudgeSnmpValue(binding.value, lower[i], upper[i], binding.nameText.c_str(), statusText);
        Check(status == 0 || status == 2);
        syntax[i] = SnmpSyntaxCode(binding.value.syntax);
        values[i] = binding.valueText;
        CheckRecord(
            NewSnmpValueRecord(syntax[i], status, binding.valueText.c_str(), statusText.c_str()), 2,
            0);
    }
    long index = message.pdu.errorIndex;
    if (message.pdu.errorStatus != 0 && index >= 1 && static_cast<unsigned long>(index) <= count) {
        const std::string& value = values[index - 1];
        CheckRecord(
            NewSnmpValueRecord(syntax[index - 1], 2, value.empty() ? nullptr : value.c_str(),
                               SnmpPduErrorText(message.pdu.errorStatus)),
            2, 0);
    }
    FreeSnmpLimits(count, lower.data(), upper.data());
}

void Traps(const Message& message, const std::vector<Binding>& bindings)
{
    std::string community(message.community.begin(), message.community.end());
    community.resize(community.find('\0') == std::string::npos ? community.size()
                                                               : community.find('\0'));
    bool inform = message.pdu.type == 0xA6;
    for (const Binding& binding : bindings) {
        SnmpTrapFields fields{SnmpSyntaxCode(binding.value.syntax),
                              inform ? 2u : 1u,
                              0,
                              {"127.0.0.1", community.c_str(), binding.nameText.c_str(),
                               binding.valueText.c_str(), "A new TRAP package is obtained."}};
        CheckRecord(NewSnmpTrapPackage(7, 9, fields), 5, 2);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint8_t* end = static_cast<const uint8_t*>(memchr(data, '\n', size));
    std::string limits =
        end ? std::string(reinterpret_cast<const char*>(data), end - data) : std::string();
    limits.resize(limits.find('\0') == std::string::npos ? limits.size()
                                                         : limits.find('\0'));  // a C text
    const uint8_t* datagram = end ? end + 1 : data;
    Message message;
    if (!DecodeMessage(datagram, size - (datagram - data), message))
        return 0;
    if (message.pdu.type == 0xA4 && !ConvertV1Trap(message.pdu))
        return 0;
    std::vector<Binding> bindings(message.pdu.varbinds.size());
    bool handed = true;
    for (size_t k = 0; k < bindings.size(); ++k) {
        Binding& binding = bindings[k];
        handed = handed && OidToSmi(message.pdu.varbinds[k].name, binding.name) &&
                 ValueToSmi(message.pdu.varbinds[k].value, binding.value);
        binding.nameText = OidText(binding.name);
        std::string oid =
            binding.value.syntax == SNMP_SYNTAX_OID ? OidText(binding.value.value.oid) : "";
        binding.valueText = SnmpValueText(binding.value, oid.c_str());
    }
    if (handed) {
        if (message.pdu.type == 0xA2)
            Answer(limits, message, bindings);
        else if (message.pdu.type == 0xA6 || message.pdu.type == 0xA7 || message.pdu.type == 0xA4)
            Traps(message, bindings);
    }
    for (Binding& binding : bindings)
        Free(binding);
    return 0;
}
