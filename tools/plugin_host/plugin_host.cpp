// plugin_host: drives one plug-in DLL from a command script, as the agent would.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv)
{
    (void)argv;
    if (argc < 2) {
        fwprintf(stderr, L"usage: plugin_host <script> <output folder>\n");
        return 2;
    }
    return 0;
}
