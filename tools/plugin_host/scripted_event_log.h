// CScriptedEventLog: event logs the script writes, read by a plug-in in place of the system's.
//
// "evlog-hook" points the loaded plug-in's imports of OpenEventLogW,
// GetNumberOfEventLogRecords, GetOldestEventLogRecord, ReadEventLogW and CloseEventLog at this
// log, and of RegConnectRegistryW at the registries of the script's remote hosts; the
// plug-in's file and code stay as they are, every other call it makes (registry, message
// files, account lookup) is the system's. As on Windows, opening a log that the host does not
// have opens its Application log. Commands (fields separated by "\t"; a host of "-" is the
// local machine):
//   evlog-hook
//   evlog-log <host> <log>                       an empty log and its key under
//                                                 SYSTEM\CurrentControlSet\Services\EventLog
//                                                 in the host's registry (the local one: the
//                                                 prefix's, a key made here is deleted at exit)
//   evlog-registry <host> <error>                connecting to the remote host's registry
//                                                 fails with the error (0: it works). A host
//                                                 with neither a log nor this cannot be found
//                                                 (error 53)
//   evlog-write <host> <log> <type> <event id> <source> <computer> <sid|-> <generated>
//               <data hex|-> [<string>...]       one record; generated: now, now-N, now+N or
//                                                 seconds since 1970; written: now
//   evlog-fill <n> <the fields of evlog-write>    n such records
//   evlog-clear <host> <log>                      every record gone, numbers start at 1 again
//   evlog-drop <host> <log> <n>                   the n oldest records overwritten (a wrap)
//   evlog-fail <host> <log> <open|count|oldest|read> <error>   that call fails (0: it works)
//   evlog-delay <ms>                              each read waits this long first
//   evlog-stats <host> <log>                      logs its opens, reads, open handles and the
//                                                 milliseconds from the last open to its close
//   evlog-wait <host> <log> <opens> <ms>          waits until it was opened that often in all
//                                                 and no handle of it is open (a pass is over)
//   evlog-wait-reads <host> <log> <reads> <ms>    waits until it was read that often in all
// An empty log reports 0 as its oldest record, as the system does.
#pragma once

#include <windows.h>

#include <string>

#include "host_output.h"

// Runs one evlog-* command; false for an unknown command or malformed arguments.
bool RunEventLogCommand(const std::string& name, const std::string& argument, HMODULE module,
                        CHostOutput& output);
