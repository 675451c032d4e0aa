// CControllerApp: Controller's application object; it runs the controller dialog and ends
// the program when the dialog ends.
#pragma once

#include "win_app.h"

class CControllerApp : public CWinApp {
public:
    BOOL InitInstance() override;
};
