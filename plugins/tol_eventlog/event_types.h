// The event types a test reports, and the codes records carry for them.
#pragma once

#include <windows.h>

#include <vector>

// The comma-separated decimal event types ("1,2"), each read like atoi into a signed 16-bit
// value. False for a null or empty text, which leaves the list empty.
bool ParseEventTypes(const char* text, std::vector<short>* types);

// True when the type is in the list (compared as signed 16-bit values); an empty list holds
// nothing.
bool HasEventType(const std::vector<short>& types, WORD type);

// The code reported for a record's event type: success 1, error 2, warning 3, information 4,
// audit success 5, audit failure 6, anything else 0.
unsigned EventTypeCode(WORD type);
