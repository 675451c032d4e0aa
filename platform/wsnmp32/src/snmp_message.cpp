#include "snmp_message.h"

#include "ber_reader.h"
#include "ber_writer.h"

namespace wsnmp {

namespace {

const uint8_t kSequence = 0x30;

bool DecodeValue(CBerReader& reader, Value& value)
{
    uint8_t tag = 0;
    CBerReader contents(nullptr, 0);
    if (!reader.readElement(tag, contents))
        return false;
    value = Value();
    value.syntax = tag;
    switch (tag) {
    case 0x02:
        return CBerReader::decodeInt32(contents, value.integer);
    case 0x03:
    case 0x04:
    case 0x44:
    case 0x45:
        value.bytes.assign(contents.begin(), contents.begin() + contents.size());
        return true;
    case 0x40:
        if (contents.size() != 4)
            return false;
        value.bytes.assign(contents.begin(), contents.begin() + 4);
        return true;
    case 0x05:
    case 0x80:
    case 0x81:
    case 0x82:
        return contents.size() == 0;
    case 0x06:
        return CBerReader::decodeOid(contents, value.oid);
    case 0x41:
    case 0x42:
    case 0x43:
    case 0x47:
        return CBerReader::decodeUnsigned(contents, 4, value.number);
    case 0x46:
        return CBerReader::decodeUnsigned(contents, 8, value.number);
    default:
        return false;
    }
}

bool EncodeValue(Bytes& out, const Value& value)
{
    switch (value.syntax) {
    case 0x02:
        CBerWriter::int32(out, 0x02, value.integer);
        return true;
    case 0x40:
        if (value.bytes.size() != 4)
            return false;
        CBerWriter::bytes(out, 0x40, value.bytes);
        return true;
    case 0x03:
    case 0x04:
    case 0x44:
    case 0x45:
        CBerWriter::bytes(out, static_cast<uint8_t>(value.syntax), value.bytes);
        return true;
    case 0x05:
    case 0x80:
    case 0x81:
    case 0x82:
        CBerWriter::null(out, static_cast<uint8_t>(value.syntax));
        return true;
    case 0x06:
        return CBerWriter::oid(out, value.oid);
    case 0x41:
    case 0x42:
    case 0x43:
    case 0x47:
        CBerWriter::unsignedNumber(out, static_cast<uint8_t>(value.syntax),
                                   value.number & 0xFFFFFFFFu);
        return true;
    case 0x46:
        CBerWriter::unsignedNumber(out, 0x46, value.number);
        return true;
    default:
        return false;
    }
}

bool DecodeVarBinds(CBerReader& reader, VarBindList& list)
{
    CBerReader seq(nullptr, 0);
    if (!reader.enter(kSequence, seq))
        return false;
    while (!seq.atEnd()) {
        CBerReader item(nullptr, 0);
        if (!seq.enter(kSequence, item))
            return false;
        VarBind vb;
        if (!item.readOid(vb.name) || !DecodeValue(item, vb.value) || !item.atEnd())
            return false;
        list.push_back(std::move(vb));
    }
    return seq.ok();
}

bool DecodePdu(CBerReader& reader, int32_t version, Pdu& pdu)
{
    uint8_t tag = reader.peekTag();
    CBerReader body(nullptr, 0);
    if (!reader.readElement(tag, body))
        return false;
    pdu = Pdu();
    pdu.type = tag;
    switch (tag) {
    case 0xA0:
    case 0xA1:
    case 0xA2:
    case 0xA3:
        break;
    case 0xA4: {
        if (version != kVersion1)
            return false;
        Bytes address;
        uint64_t stamp = 0;
        if (!body.readOid(pdu.enterprise) || !body.readBytes(0x40, address) ||
            address.size() != 4 || !body.readInt32(0x02, pdu.genericTrap) ||
            !body.readInt32(0x02, pdu.specificTrap) || !body.readUnsigned(0x43, 4, stamp))
            return false;
        for (int i = 0; i < 4; ++i)
            pdu.agentAddress[i] = address[i];
        pdu.timeStamp = static_cast<uint32_t>(stamp);
        return DecodeVarBinds(body, pdu.varbinds) && body.atEnd();
    }
    case 0xA5:
    case 0xA6:
    case 0xA7:
    case 0xA8:
        if (version == kVersion1)
            return false;
        break;
    default:
        return false;
    }
    return body.readInt32(0x02, pdu.requestId) && body.readInt32(0x02, pdu.errorStatus) &&
           body.readInt32(0x02, pdu.errorIndex) && DecodeVarBinds(body, pdu.varbinds) &&
           body.atEnd();
}

bool EncodeVarBinds(Bytes& out, const VarBindList& list)
{
    Bytes all;
    for (const VarBind& vb : list) {
        Bytes item;
        if (!CBerWriter::oid(item, vb.name) || !EncodeValue(item, vb.value))
            return false;
        CBerWriter::element(all, kSequence, item);
    }
    CBerWriter::element(out, kSequence, all);
    return true;
}

bool EncodePdu(Bytes& out, const Pdu& pdu)
{
    Bytes body;
    if (pdu.type == 0xA4) {
        Bytes address(pdu.agentAddress, pdu.agentAddress + 4);
        if (!CBerWriter::oid(body, pdu.enterprise))
            return false;
        CBerWriter::bytes(body, 0x40, address);
        CBerWriter::int32(body, 0x02, pdu.genericTrap);
        CBerWriter::int32(body, 0x02, pdu.specificTrap);
        CBerWriter::unsignedNumber(body, 0x43, pdu.timeStamp);
    } else {
        CBerWriter::int32(body, 0x02, pdu.requestId);
        CBerWriter::int32(body, 0x02, pdu.errorStatus);
        CBerWriter::int32(body, 0x02, pdu.errorIndex);
    }
    if (!EncodeVarBinds(body, pdu.varbinds))
        return false;
    CBerWriter::element(out, static_cast<uint8_t>(pdu.type), body);
    return true;
}

}  // namespace

bool IsKnownSyntax(uint32_t syntax)
{
    switch (syntax) {
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x06:
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
    case 0x44:
    case 0x45:
    case 0x46:
    case 0x47:
    case 0x80:
    case 0x81:
    case 0x82:
        return true;
    default:
        return false;
    }
}

bool DecodeMessage(const uint8_t* data, size_t size, Message& out)
{
    if (!data)
        return false;
    CBerReader whole(data, size);
    CBerReader message(nullptr, 0);
    if (!whole.enter(kSequence, message) || !whole.atEnd())
        return false;
    out = Message();
    if (!message.readInt32(0x02, out.version))
        return false;
    if (out.version != kVersion1 && out.version != kVersion2c)
        return false;
    if (!message.readBytes(0x04, out.community))
        return false;
    return DecodePdu(message, out.version, out.pdu) && message.atEnd();
}

bool EncodeMessage(const Message& message, Bytes& out)
{
    Bytes body;
    CBerWriter::int32(body, 0x02, message.version);
    CBerWriter::bytes(body, 0x04, message.community);
    if (!EncodePdu(body, message.pdu))
        return false;
    out.clear();
    CBerWriter::element(out, kSequence, body);
    return true;
}

}  // namespace wsnmp
