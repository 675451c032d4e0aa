// comsupport_testsrv.dll: TestCalc as an in-process, aggregatable class.
#include "com_dll_exports.h"
#include "test_calc.h"
#include "test_resources.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_TestCalc, &CComAggregatableCreator<CTestCalc>::CreateInstance, IDR_TEST_CALC,
     ComFactoryKind::Normal},
};

CComModule g_module(kClasses, 1);

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, true)
