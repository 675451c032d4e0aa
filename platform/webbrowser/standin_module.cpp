// browser_standin.dll: the in-process server of the stand-in browser, registered on test beds
// under the web-browser control's class identifier (CLSID_WebBrowser).
#include <windows.h>
#include <exdisp.h>

#include "com_dll_exports.h"
#include "standin_browser.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_WebBrowser, &CComCreator<CStandInBrowser>::CreateInstance, 0, ComFactoryKind::Normal},
};

CComModule g_module(kClasses, 1);

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, false)
