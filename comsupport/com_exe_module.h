// CComExeModule: the module of an out-of-process COM server.
//
// The program registers its class objects with COM (suspended, then resumed once all are in),
// runs a message loop, and ends the loop when the last lock goes: the last client reference,
// the last LockServer(TRUE) or the program's own lock.
#pragma once

#include "com_module.h"

class CComExeModule : public CComModule {
public:
    using CComModule::CComModule;

    // Also remembers the calling thread as the one whose message loop the last unlock ends.
    HRESULT Init(HINSTANCE instance = nullptr);

    HRESULT RegisterClassObjects(DWORD context = CLSCTX_LOCAL_SERVER,
                                 DWORD flags = REGCLS_MULTIPLEUSE | REGCLS_SUSPENDED);
    HRESULT ResumeClassObjects() { return CoResumeClassObjects(); }
    void RevokeClassObjects();

    void SetLoopThread(DWORD threadId) { m_loopThread = threadId; }
    DWORD GetLoopThread() const { return m_loopThread; }
    // Whether the last unlock posts WM_QUIT to the loop thread (default: yes).
    void SetQuitWhenUnlocked(bool quit) { m_quitWhenUnlocked = quit; }

    long Lock() override;
    long Unlock() override;

    // Runs GetMessage/DispatchMessage until WM_QUIT.
    static void RunMessageLoop();

private:
    std::vector<DWORD> m_cookies;
    DWORD m_loopThread = 0;
    bool m_quitWhenUnlocked = true;
};

// Whether the command line carries the switch (after '-' or '/', case-insensitive), such as
// "RegServer" in "Tolvane.exe /RegServer".
bool HasCommandLineSwitch(const wchar_t* commandLine, const wchar_t* name);
