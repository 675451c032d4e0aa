// shell_standin.dll: the test bed's Shell.Application, registered under the shell's class
// identifier in a test prefix only. Never part of an installation.
#include "com_dll_exports.h"
#include "standin_resources.h"
#include "standin_shell.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_Shell, &CComCreator<CStandInShell>::CreateInstance, IDR_STANDIN_SHELL,
     ComFactoryKind::Normal},
};

CComModule g_module(kClasses, sizeof(kClasses) / sizeof(kClasses[0]));

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, false)
