// One command of a plug-in host script: "<name> <argument text>".
//
// Commands (one a line; blank lines and lines starting with # are skipped):
//   load <dll>                 LoadLibrary of the plug-in DLL
//   register | unregister      its DllRegisterServer / DllUnregisterServer
//   create <class identifier>  CoCreateInstance (in-process) for ITolvanePlugIn
//   init                       the agent's handshake with the created class identifier
//   init text <text>           the handshake with another text protected in its place
//   init empty | init i4       Init with an empty byte string / with a VT_I4
//   advise | unadvise          the event sink on _ITolvanePlugInEvents
//   add <line>                 Add; "\t" stands for TAB, "\\" for a backslash
//   set <type> i4 <n> | set <type> bstr <text> | set <type> empty
//   get                        Get; the bytes go to the next result file
//   sleep <ms>
//   wait-events <n> <ms>       waits until n events in all have come (at most ms)
//   wait-data <n> <ms>         the same for new-data announcements (srcID VT_UI4)
//   wait-file <ms> <path>      waits until the file exists (at most ms)
//   release                    releases the plug-in
//   canunload                  DllCanUnloadNow of the loaded DLL
//   unload                     frees the DLL (the host's load and COM's unused libraries)
//   evlog-...                  the scripted event log (scripted_event_log.h)
//   threads                    logs the number of threads of the host process
//   memory                     logs the host process's memory (GetProcessMemoryInfo): "<private
//                              bytes> <their peak> <working set> <its peak>"
//   snmp-start | snmp-stop     binds and starts the SNMP API in the process (tol_utils.dll's
//                              init_snmp_lib and SnmpStartup) / cleans it up
#pragma once

#include <string>

struct HostCommand {
    std::string name;
    std::string argument;
};

// False for a blank or comment line.
bool ParseHostCommand(const std::string& line, HostCommand* command);
// Replaces "\t" by TAB and "\\" by a backslash.
std::string UnescapeLine(const std::string& text);
// The first word of `text`, and the rest after one blank.
void SplitFirstWord(const std::string& text, std::string* word, std::string* rest);
