// Tolvane.PlugIns: the in-process server that carries and registers TolvanePlugInsLib.
#include "comsupport.h"
#include "com_dll_exports.h"
#include "tolvane_plugin.h"
#include "tolvane_plugins_resources.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_TolvanePlugIn, &CComAggregatableCreator<CTolvanePlugIn>::CreateInstance,
     IDR_TOLVANE_PLUGIN, ComFactoryKind::Normal},
};

CComModule g_module(kClasses, sizeof(kClasses) / sizeof(kClasses[0]));

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, true)
