// The message text of one event record: its insertion strings put into the message of its
// source's message file, or joined with "," where there is no message.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "event_record_view.h"
#include "message_files.h"

// Inserts a message may name: %1 to %99. The argument array always holds this many (and the
// two width and precision arguments the last may take), padded with empty strings.
constexpr size_t kMessageInserts = 99;

// The strings joined with "," between each and the next.
std::wstring JoinInsertionStrings(const std::vector<std::wstring>& strings);

// The EventMessageFile value of the log's source, as stored, from
// HKLM\SYSTEM\CurrentControlSet\Services\EventLog\<log>\<source>; empty when the key or the
// value is missing or does not fit.
std::wstring EventMessageFileValue(const std::wstring& logName, const std::wstring& source);

// The files of the log's source (MessageFileCandidates of its value, expanded with this
// process's environment, on this machine).
std::vector<MessageFile> EventMessageFiles(const std::wstring& logName, const std::wstring& source);

// The file mapped for its resources only, which works for a file of either bitness, from its
// path or else its native path; null when neither loads.
HMODULE LoadMessageFile(const MessageFile& file);

// True when the module's own message table holds the message.
bool HoldsEventMessage(HMODULE module, DWORD eventId);

// The message `eventId` of the message module (or the system's table) formatted with the
// strings, cut to maxChars characters; false when there is no such message.
bool FormatEventMessage(HMODULE module, DWORD eventId, const std::vector<std::wstring>& strings,
                        size_t maxChars, std::wstring* text);

// The same with the message file loaded for the call; false when it does not load.
bool FormatEventMessage(const std::wstring& file, DWORD eventId,
                        const std::vector<std::wstring>& strings, size_t maxChars,
                        std::wstring* text);

// CEventMessages: the message texts of one log's records, for one reading thread. Each
// source's message files are looked up and loaded once, when its first record needs them, and
// freed with the object.
class CEventMessages {
public:
    explicit CEventMessages(const std::wstring& logName) : m_logName(logName) {}
    ~CEventMessages();
    CEventMessages(const CEventMessages&) = delete;
    CEventMessages& operator=(const CEventMessages&) = delete;

    // Empty when the record has no insertion strings; else the message of the first of its
    // source's files that holds it, formatted, or the strings joined with "," where there is
    // none.
    std::wstring MessageText(const EventRecordView& record);

private:
    const std::vector<HMODULE>& ModulesOf(const std::wstring& source);  // those that loaded

    std::wstring m_logName;
    std::map<std::wstring, std::vector<HMODULE>> m_modules;  // by source
};
