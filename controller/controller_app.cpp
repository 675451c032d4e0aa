#include "controller_app.h"

#include <windows.h>
#include <commctrl.h>

#include "controller_dlg.h"
#include "privilege.h"

BOOL CControllerApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
    InitCommonControlsEx(&controls);
    CWinApp::InitInstance();
    EnableControlContainer();
    SetRegistryKey(L"Local AppWizard-Generated Applications");
    EnablePrivilege(L"SeDebugPrivilege", true);
    CControllerDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;  // the program ends with its dialog
}
