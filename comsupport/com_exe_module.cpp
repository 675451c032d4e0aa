#include "com_exe_module.h"

#include <cwctype>

HRESULT CComExeModule::Init(HINSTANCE instance)
{
    m_loopThread = GetCurrentThreadId();
    // The thread's message queue must exist before the first unlock can post to it.
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    return CComModule::Init(instance);
}

HRESULT CComExeModule::RegisterClassObjects(DWORD context, DWORD flags)
{
    for (size_t i = 0; i < m_count; ++i) {
        IClassFactory* factory = ClassObjectAt(i);
        if (!factory) {
            RevokeClassObjects();
            return E_OUTOFMEMORY;
        }
        DWORD cookie = 0;
        HRESULT hr = CoRegisterClassObject(*m_classes[i].clsid, factory, context, flags, &cookie);
        factory->Release();
        if (FAILED(hr)) {
            RevokeClassObjects();
            return hr;
        }
        m_cookies.push_back(cookie);
    }
    return S_OK;
}

void CComExeModule::RevokeClassObjects()
{
    for (DWORD cookie : m_cookies)
        CoRevokeClassObject(cookie);
    m_cookies.clear();
}

long CComExeModule::Lock()
{
    CoAddRefServerProcess();
    return CComModule::Lock();
}

long CComExeModule::Unlock()
{
    long n = CComModule::Unlock();
    ULONG process = CoReleaseServerProcess();
    if (n == 0 && m_quitWhenUnlocked && m_loopThread)
        PostThreadMessageW(m_loopThread, WM_QUIT, 0, 0);
    (void)process;
    return n;
}

void CComExeModule::RunMessageLoop()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool HasCommandLineSwitch(const wchar_t* commandLine, const wchar_t* name)
{
    if (!commandLine || !name || !*name)
        return false;
    size_t length = wcslen(name);
    for (const wchar_t* p = commandLine; *p; ++p) {
        if ((*p != L'-' && *p != L'/') || (p != commandLine && !iswspace(p[-1]) && p[-1] != L'"'))
            continue;
        if (_wcsnicmp(p + 1, name, length) == 0) {
            wchar_t end = p[1 + length];
            if (end == L'\0' || iswspace(end) || end == L'"')
                return true;
        }
    }
    return false;
}
