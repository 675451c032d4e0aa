// CWinApp: the application object of a dialog program. The program's entry point calls Run,
// which calls InitInstance; an application that runs its main dialog modally inside
// InitInstance returns FALSE there, and the program ends with ExitInstance's code.
#pragma once

#include <windows.h>

#include <string>

class CDialog;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // InitInstance; when it returns TRUE, the thread's message loop until WM_QUIT; then
    // ExitInstance. Returns the program's exit code.
    int Run(HINSTANCE instance);

    virtual BOOL InitInstance();
    // Returns the exit code: the quit message's code, 0 when there was none.
    virtual int ExitInstance();

    HINSTANCE Instance() const { return m_instance; }
    const wchar_t* RegistryKey() const { return m_registryKey.c_str(); }

    CDialog* m_pMainWnd = nullptr;

protected:
    // Names the key under HKEY_CURRENT_USER\Software where the application would keep its
    // profile settings; the layer itself stores nothing there.
    void SetRegistryKey(const wchar_t* company);
    // Lets the application's dialogs host controls: OLE for this thread (undone at exit).
    bool EnableControlContainer();

private:
    HINSTANCE m_instance = nullptr;
    std::wstring m_registryKey;
    bool m_oleInitialized = false;
    int m_exitCode = 0;
};
