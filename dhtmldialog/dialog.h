// CDialog: a dialog window made from a DIALOG template resource of the program and run
// modally by its own message loop, with a message map in front of the dialog's default
// handling.
//
// The window is subclassed once WM_INITDIALOG arrives: from then on every message goes to
// WindowProc (the message map, then WM_COMMAND to OnCommand, then Default(), the dialog's own
// handling). IDOK and IDCANCEL commands (Enter and Escape through IsDialogMessage) go to OnOK
// and OnCancel, which end the dialog unless a derived class says otherwise.
#pragma once

#include <windows.h>

#include "message_map.h"

// What UpdateData hands to DoDataExchange: the direction of the exchange.
struct CDataExchange {
    bool m_bSaveAndValidate;  // true: from the window to the members
};

class CDialog {
public:
    explicit CDialog(UINT templateId);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Creates the dialog and runs it until EndDialog, the window's destruction or a quit
    // message (which is posted again for the caller's loop); the window is destroyed before
    // returning. Returns the EndDialog result, IDABORT when the dialog ended otherwise, -1 when
    // the window could not be created.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    HWND GetSafeHwnd() const { return m_hWnd; }

protected:
    // Base: UpdateData(FALSE); TRUE lets the system set the focus.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* dx);
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    virtual void OnOK();
    virtual void OnCancel();
    // TRUE when the command was handled. Base: IDOK and IDCANCEL.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // TRUE when the message was handled and must not be dispatched. Base: IsDialogMessage.
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The window's own handling of the message being processed.
    LRESULT Default();

    static const CMessageMap* ThisMessageMap();
    virtual const CMessageMap* GetMessageMap() const { return ThisMessageMap(); }

    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK StartProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND hwnd);
    void Detach();
    void RunModalLoop();
    void StopModalLoop();

    UINT m_templateId;
    WNDPROC m_defaultProc = nullptr;
    MSG m_current = {};
    bool m_modal = false;
    INT_PTR m_result = IDABORT;
};
