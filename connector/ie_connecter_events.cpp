#include "ie_connecter_events.h"

namespace {

constexpr DISPID kDispIdStatusChanged = 2;

}  // namespace

HRESULT CProxy_IIEConnecterEvents::Fire_StatusChanged(long status, VARIANT text)
{
    std::vector<CComPtr<IUnknown>> sinks = Sinks();
    VARIANT args[2];
    VariantInit(&args[0]);
    V_VT(&args[0]) = VT_I4;
    V_I4(&args[0]) = status;
    args[1] = text;  // passed on as it came; the caller owns it
    return FireDispatchTo(sinks, kDispIdStatusChanged, args, 2);
}
