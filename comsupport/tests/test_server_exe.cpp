// comsupport_testexe.exe: TestSingleton as a local server with a singleton class object.
#include "comsupport.h"
#include "test_calc.h"
#include "test_resources.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_TestSingleton, &CComSingletonCreator<CTestCalc>::CreateInstance, IDR_TEST_SINGLETON,
     ComFactoryKind::Singleton},
};

CComExeModule g_module(kClasses, 1);

int Serve()
{
    if (FAILED(g_module.RegisterClassObjects()))
        return 2;
    if (FAILED(g_module.ResumeClassObjects())) {
        g_module.RevokeClassObjects();
        return 3;
    }
    CComExeModule::RunMessageLoop();
    g_module.RevokeClassObjects();
    return 0;
}

}  // namespace

int main()
{
    CComInit com(COINIT_MULTITHREADED);
    if (!com.Succeeded() || FAILED(g_module.Init(nullptr)))
        return 1;
    const wchar_t* commandLine = GetCommandLineW();
    int rc = 0;
    if (HasCommandLineSwitch(commandLine, L"RegServer"))
        rc = FAILED(g_module.RegisterServer(true)) ? 1 : 0;
    else if (HasCommandLineSwitch(commandLine, L"UnregServer"))
        rc = FAILED(g_module.UnregisterServer(true)) ? 1 : 0;
    else
        rc = Serve();
    g_module.Term();
    return rc;
}
