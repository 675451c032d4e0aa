// The Updater's run: stop and delete the agent's service, end the agent and Controller,
// replace the installed items with the unpacked update through the shell, record the new
// version, register the service again through the agent program and start it.
#pragma once

// The whole command line (the program name first) and the part after the program name;
// returns the exit code: 0 updated, 1 failed, -1 bad arguments.
int RunUpdate(const wchar_t* commandLine, const wchar_t* arguments);
