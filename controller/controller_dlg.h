// CControllerDlg: Controller's window — a borderless dialog showing the local page, with the
// tray icon that shows the agent's state as the page reports it (added again in that state when
// the shell restarts).
//
// The page reports by clicking its hidden elements "statusOK", "statusNOK" and "statusUND";
// its "HideButton" and "MinimizeButton" hide and minimise the window, a mouse press on
// "TController" drags it, "ButtonOK" and "ButtonCancel" (like Enter and Escape) do nothing.
// After the first page load the dialog clicks the page's "runButton" once.
#pragma once

#include <windows.h>

#include "dhtml_dialog.h"

class CControllerDlg : public CDHtmlDialog {
public:
    CControllerDlg();

    // Registered window messages: another program ends Controller with the exit message;
    // Controller broadcasts the terminated message when its window goes.
    static UINT s_exitMessage;
    static UINT s_terminatedMessage;
    // The shell's message that its notification area was made again.
    static UINT s_taskbarCreatedMessage;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnDocumentComplete(IDispatch* browser, const wchar_t* url) override;
    HRESULT ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override { return S_OK; }

    TOL_DECLARE_MESSAGE_MAP()
    LRESULT OnLButtonDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonUp(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcHitTest(WPARAM wParam, LPARAM lParam);
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnControllerExit(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnTaskbarCreated(WPARAM wParam, LPARAM lParam);

    TOL_DECLARE_DHTML_EVENT_MAP()
    HRESULT OnButtonOK(IDispatch* element);
    HRESULT OnButtonCancel(IDispatch* element);
    HRESULT OnHideButton(IDispatch* element);
    HRESULT OnMinimizeButton(IDispatch* element);
    HRESULT OnTControllerMouseDown(IDispatch* element);
    HRESULT OnStatusOK(IDispatch* element);
    HRESULT OnStatusNOK(IDispatch* element);
    HRESULT OnStatusUND(IDispatch* element);

private:
    enum TrayState { kTrayUndefined = 0, kTrayOK = 1, kTrayNotOK = 2 };

    // Loads the state's icon, passes it to the tray with the message and makes it the
    // window's small icon, and remembers the state; any other state does nothing.
    void SetTrayIcon(int state, DWORD message);
    void DeleteTrayIcon();
    void ShowAndUpdate(int command);
    void OpenHelpPage();
    void RegisterMessages();

    HICON m_hIcon;
    bool m_dragging = false;
    bool m_firstLoadPending = false;
    bool m_runClicked = false;
    int m_trayState = kTrayUndefined;  // the state the tray icon shows
};
