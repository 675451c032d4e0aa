// The message text of one event record: its insertion strings put into the message of its
// source's message file, or joined with "," where there is no message.
#pragma once

#include <string>
#include <vector>

#include "event_record_view.h"

// Inserts a message may name: %1 to %99. The argument array always holds this many (and the
// two width and precision arguments the last may take), padded with empty strings.
constexpr size_t kMessageInserts = 99;

// The strings joined with "," between each and the next.
std::wstring JoinInsertionStrings(const std::vector<std::wstring>& strings);

// The expanded EventMessageFile of the log's source, from
// HKLM\SYSTEM\CurrentControlSet\Services\EventLog\<log>\<source>; empty when the key or the
// value is missing or does not fit.
std::wstring EventMessageFile(const std::wstring& logName, const std::wstring& source);

// The message `eventId` of the file formatted with the strings, cut to maxChars characters;
// false when the file does not load or has no such message.
bool FormatEventMessage(const std::wstring& file, DWORD eventId,
                        const std::vector<std::wstring>& strings, size_t maxChars,
                        std::wstring* text);

// "N/A"-free message text of a record: empty when it has no insertion strings; else the
// formatted message, or the joined strings where there is none.
std::wstring EventMessageText(const std::wstring& logName, const EventRecordView& record);
