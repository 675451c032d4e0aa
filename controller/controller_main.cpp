// Controller.exe: the agent's notification-area program.
#include <windows.h>

#include "controller_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    CControllerApp app;
    return app.Run(instance);
}
