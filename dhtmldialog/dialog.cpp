#include "dialog.h"

CDialog::CDialog(UINT templateId) : m_templateId(templateId)
{
}

// A window that outlives DoModal is destroyed without this object's handlers: the derived
// parts of the object are gone by now.
CDialog::~CDialog()
{
    if (m_hWnd) {
        HWND hwnd = m_hWnd;
        Detach();
        DestroyWindow(hwnd);
    }
}

const CMessageMap* CDialog::ThisMessageMap()
{
    static const CMessageMapEntry entries[] = {{0, nullptr, nullptr}};
    static const CMessageMap map = {nullptr, entries};
    return &map;
}

INT_PTR CDialog::DoModal()
{
    m_result = IDABORT;
    m_modal = true;
    HWND hwnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId),
                                   nullptr, StartProc, reinterpret_cast<LPARAM>(this));
    if (!hwnd) {
        m_modal = false;
        return -1;
    }
    RunModalLoop();
    if (m_hWnd)
        DestroyWindow(m_hWnd);
    return m_result;
}

void CDialog::EndDialog(INT_PTR result)
{
    m_result = result;
    StopModalLoop();
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*)
{
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx{saveAndValidate != FALSE};
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM)
{
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    return m_hWnd && IsDialogMessageW(m_hWnd, msg);
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (DialogMessageHandler handler = FindMessageHandler(GetMessageMap(), message))
        return (this->*handler)(wParam, lParam);
    if (message == WM_COMMAND && OnCommand(wParam, lParam))
        return 0;
    return Default();
}

LRESULT CDialog::Default()
{
    return CallWindowProcW(m_defaultProc, m_current.hwnd, m_current.message, m_current.wParam,
                           m_current.lParam);
}

// The dialog procedure answers nothing itself once the window is subclassed: the dialog's
// default handling runs for every message SubclassProc passes on.
INT_PTR CALLBACK CDialog::StartProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->Attach(hwnd);
    return dialog->OnInitDialog();
}

LRESULT CALLBACK CDialog::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!dialog)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    MSG saved = dialog->m_current;
    dialog->m_current = MSG{hwnd, message, wParam, lParam, 0, {}};
    LRESULT result = dialog->WindowProc(message, wParam, lParam);
    dialog->m_current = saved;
    if (message == WM_NCDESTROY)
        dialog->Detach();
    return result;
}

void CDialog::Attach(HWND hwnd)
{
    m_hWnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_defaultProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
}

void CDialog::Detach()
{
    SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_defaultProc));
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
    m_hWnd = nullptr;
    StopModalLoop();
}

void CDialog::RunModalLoop()
{
    MSG msg;
    while (m_modal && m_hWnd) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1)
            break;
        if (!got) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    m_modal = false;
}

// The loop may be waiting in GetMessage (the window was destroyed from a sent message): a
// posted message wakes it to see that it is over.
void CDialog::StopModalLoop()
{
    if (!m_modal)
        return;
    m_modal = false;
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}
