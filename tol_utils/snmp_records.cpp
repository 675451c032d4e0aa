#include "snmp_records.h"

#include "result_types.h"

#include <new>

CMonResult2* NewSnmpValueRecord(unsigned syntaxCode, unsigned status, const char* value,
                                const char* statusText)
{
    auto* record = new (std::nothrow) CMonResult2;
    if (!record)
        return nullptr;
    if (!record->create(0, 2, 0, 0, 0, 2) || !record->add(syntaxCode) || !record->add(status) ||
        !record->add(const_cast<char*>(value)) || !record->add(const_cast<char*>(statusText))) {
        delete record;
        return nullptr;
    }
    return record;
}

CMonResult2* NewSnmpTrapPackage(unsigned testId, unsigned locationId, const SnmpTrapFields& fields)
{
    auto* package = new (std::nothrow) CMonResult2;
    if (!package)
        return nullptr;
    bool built =
        package->create(0, 6, 1, 0, 0, 5) && package->init(RESULT_SNMP_TRAP, testId, locationId) &&
        package->add(fields.syntaxCode) && package->add(fields.kind) && package->add(fields.status);
    for (const char* text : fields.texts)
        built = built && package->add(const_cast<char*>(text));
    if (!built) {
        delete package;
        return nullptr;
    }
    return package;
}
