#include "event_types.h"

#include <cstdlib>

#include "heap_helpers.h"

bool ParseEventTypes(const char* text, std::vector<short>* types)
{
    types->clear();
    char** fields = nullptr;
    unsigned count = 0;
    if (!text || !*text || !SplitText(text, &fields, &count, ','))
        return false;
    types->reserve(count);
    for (unsigned i = 0; i < count; ++i)
        types->push_back(static_cast<short>(atoi(fields[i])));
    FreeTextArray(&fields, &count);
    return true;
}

bool HasEventType(const std::vector<short>& types, WORD type)
{
    for (short listed : types) {
        if (listed == static_cast<short>(type))
            return true;
    }
    return false;
}

unsigned EventTypeCode(WORD type)
{
    switch (type) {
    case EVENTLOG_SUCCESS:
        return 1;
    case EVENTLOG_ERROR_TYPE:
        return 2;
    case EVENTLOG_WARNING_TYPE:
        return 3;
    case EVENTLOG_INFORMATION_TYPE:
        return 4;
    case EVENTLOG_AUDIT_SUCCESS:
        return 5;
    case EVENTLOG_AUDIT_FAILURE:
        return 6;
    default:
        return 0;
    }
}
