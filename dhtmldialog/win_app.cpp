#include "win_app.h"

#include <ole2.h>

CWinApp::CWinApp() = default;

CWinApp::~CWinApp()
{
    if (m_oleInitialized)
        OleUninitialize();
}

int CWinApp::Run(HINSTANCE instance)
{
    m_instance = instance;
    if (InitInstance()) {
        MSG msg = {};
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        m_exitCode = static_cast<int>(msg.wParam);
    }
    return ExitInstance();
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    if (m_oleInitialized) {
        OleUninitialize();
        m_oleInitialized = false;
    }
    return m_exitCode;
}

void CWinApp::SetRegistryKey(const wchar_t* company)
{
    m_registryKey = company ? company : L"";
}

bool CWinApp::EnableControlContainer()
{
    if (!m_oleInitialized)
        m_oleInitialized = SUCCEEDED(OleInitialize(nullptr));
    return m_oleInitialized;
}
