#include "plugin_events.h"

#include "heap_helpers.h"

namespace {

// The two arguments of OnNewData, freed with the object.
class CNewDataArgs {
public:
    CNewDataArgs(VARTYPE sourceType, LONG source, const char* text)
    {
        VariantInit(&m_args[0]);
        VariantInit(&m_args[1]);
        m_args[0].vt = sourceType;
        m_args[0].lVal = source;
        wchar_t* wide = MultiByteToWideAlloc(text, CP_THREAD_ACP);
        m_args[1].vt = VT_BSTR;
        m_args[1].bstrVal = SysAllocString(wide ? wide : L"");
        FreeHeapBlock(wide);
    }
    ~CNewDataArgs()
    {
        VariantClear(&m_args[0]);
        VariantClear(&m_args[1]);
    }
    CNewDataArgs(const CNewDataArgs&) = delete;
    CNewDataArgs& operator=(const CNewDataArgs&) = delete;

    const VARIANT* Args() const { return m_args; }

private:
    VARIANT m_args[2];
};

}  // namespace

HRESULT FireNewData(const CConnectionPoint& point, VARTYPE sourceType, LONG source,
                    const char* text)
{
    CNewDataArgs args(sourceType, source, text);
    return point.FireDispatch(1, args.Args(), 2);
}
