// Message maps: a dialog class names the window messages it handles and the member function
// that handles each, in a table looked up before the dialog's default handling.
//
//     class CMyDlg : public CDialog {
//         TOL_DECLARE_MESSAGE_MAP()
//         LRESULT OnLButtonDown(WPARAM, LPARAM);
//         LRESULT OnAppExit(WPARAM, LPARAM);
//         static UINT s_exitMessage;      // from RegisterWindowMessage
//     };
//
//     TOL_BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//         TOL_ON_MESSAGE(WM_LBUTTONDOWN, OnLButtonDown)
//         TOL_ON_REGISTERED_MESSAGE(CMyDlg::s_exitMessage, OnAppExit)
//     TOL_END_MESSAGE_MAP()
//
// A handler returns the message's result; it may call Default() for the window's own handling.
// A class's map is searched first, then its base class's. A registered message's entry matches
// only once its variable holds a registered message (not 0).
#pragma once

#include <windows.h>

class CDialog;

using DialogMessageHandler = LRESULT (CDialog::*)(WPARAM, LPARAM);

struct CMessageMapEntry {
    UINT message;                  // a fixed message; unused when registered is set
    const UINT* registered;        // the variable holding a registered message, or null
    DialogMessageHandler handler;  // null ends the table
};

struct CMessageMap {
    const CMessageMap* base;  // the base class's map, null for the root
    const CMessageMapEntry* entries;
};

// The handler of a message in a map or its bases; null when none handles it.
DialogMessageHandler FindMessageHandler(const CMessageMap* map, UINT message);

#define TOL_DECLARE_MESSAGE_MAP()                     \
protected:                                            \
    static const CMessageMap* ThisMessageMap();       \
    const CMessageMap* GetMessageMap() const override \
    {                                                 \
        return ThisMessageMap();                      \
    }

#define TOL_BEGIN_MESSAGE_MAP(cls, baseCls)  \
    const CMessageMap* cls::ThisMessageMap() \
    {                                        \
        using ThisClass = cls;               \
        using ThisBase = baseCls;            \
        static const CMessageMapEntry entries[] = {
#define TOL_ON_MESSAGE(msg, handler) \
    {(msg), nullptr, static_cast<DialogMessageHandler>(&ThisClass::handler)},
#define TOL_ON_REGISTERED_MESSAGE(variable, handler) \
    {0, &(variable), static_cast<DialogMessageHandler>(&ThisClass::handler)},
#define TOL_END_MESSAGE_MAP()                                             \
    {                                                                     \
        0, nullptr, nullptr                                               \
    }                                                                     \
    }                                                                     \
    ;                                                                     \
    static const CMessageMap map = {ThisBase::ThisMessageMap(), entries}; \
    return &map;                                                          \
    }
