// Prints what the agent would report about this host: the system description sent at login
// and the settings it reads from the registry.
#include "agent_settings.h"
#include "heap_helpers.h"
#include "os_display_string.h"

#include <cstdio>
#include <windows.h>

namespace {

void PrintText(const char* label, char* text)
{
    printf("%-12s %s\n", label, text ? text : "(not set)");
    FreeHeapBlock(text);
}

}  // namespace

int wmain()
{
    char system[kOSDisplayBufferSize] = {};
    GetOSDisplayString(system);
    printf("%-12s %s\n", "System:", system);

    CAgentSettings settings;
    PrintText("Host:", settings.GetHost());
    PrintText("Version:", settings.GetVersion());
    PrintText("Proxy:", settings.GetProxySetting());
    printf("%-12s %lu\n", "Trace:", static_cast<unsigned long>(settings.GetTrace()));
    PrintText("E-Mail:", settings.GetEMail());
    PrintText("Agent Name:", settings.GetAgentName());
    return 0;
}
