// The disk plug-in's result records.
//
// RESULT_DISK       UI32: 46, test id, location id, status; I64: time stamp;
//                   D64: free GB, total GB (free-space test) or reads/s, writes/s
//                   (read/write-count test); text.
// RESULT_DISK_LIST  UI32: 45, 0, 0; I64: time stamp; text: the fixed drives' letters, each
//                   followed by a TAB ("N/A" when there is none).
#pragma once

#include <string>

#include "com_bstr.h"
#include "disk_verdict.h"

bool BuildDiskRecord(int testId, int locationId, const DiskVerdict& verdict, CComBSTR* bytes);

// The drive list's text from the fixed drives' letters as the system listed them: sorted,
// each letter once and followed by a TAB.
std::wstring DiskListText(const std::wstring& letters);

// Appends a RESULT_DISK_LIST record with the list's text to `bytes`.
bool AppendDiskListRecord(const std::wstring& listText, CComBSTR* bytes);
