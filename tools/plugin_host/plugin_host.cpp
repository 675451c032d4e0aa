// plugin_host: drives one plug-in DLL from a command script, as the agent would.
//
//     plugin_host <script> <output folder>
//
// The commands are listed in host_script.h; the files written in host_output.h. A script of
// "-" is read from standard input, line by line as it comes, so that a test can act between
// commands (the log is flushed after every line). The exit code is 0 when every line of the
// script was understood, 1 for a line that was not, 2 for a bad command line or an unreadable
// script.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <iostream>
#include <string>

#include "com_init.h"
#include "host_output.h"
#include "host_script.h"
#include "plugin_session.h"

namespace {

int RunScript(std::istream& script, CHostOutput& output)
{
    CPlugInSession session(output);
    int rc = 0;
    std::string line;
    while (std::getline(script, line)) {
        HostCommand command;
        if (!ParseHostCommand(line, &command))
            continue;
        if (!session.Run(command.name, command.argument)) {
            output.Log("unknown " + line);
            rc = 1;
        }
    }
    return rc;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        fwprintf(stderr, L"usage: plugin_host <script> <output folder>\n");
        return 2;
    }
    bool fromInput = wcscmp(argv[1], L"-") == 0;
    std::ifstream file;
    if (!fromInput)
        file.open(argv[1]);
    std::istream& script = fromInput ? std::cin : static_cast<std::istream&>(file);
    CHostOutput output;
    if (!script || !output.Open(argv[2])) {
        fwprintf(stderr, L"cannot read %ls or write to %ls\n", argv[1], argv[2]);
        return 2;
    }
    CComInit com(COINIT_MULTITHREADED);
    if (!com.Succeeded())
        return 2;
    return RunScript(script, output);
}
