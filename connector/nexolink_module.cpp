// Nexolink: the in-process server of the browser connector class IEConnecter.
#include "comsupport.h"
#include "com_dll_exports.h"
#include "ie_connecter.h"
#include "nexolink_resources.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_IEConnecter, &CComAggregatableCreator<CIEConnecter>::CreateInstance, IDR_IE_CONNECTER,
     ComFactoryKind::Normal},
};

CComModule g_module(kClasses, sizeof(kClasses) / sizeof(kClasses[0]));

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, true)
