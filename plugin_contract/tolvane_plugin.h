// CTolvanePlugIn: the reference class of Tolvane.PlugIns (coclass TolvanePlugIn).
//
// It answers the plug-in contract and does nothing: Init, Add, Get and Set return S_OK and leave
// every out parameter as the caller passed it. It is a connection-point container with a point
// for _ITolvanePlugInEvents and can be aggregated.
#pragma once

#include <windows.h>

#include "TolvanePlugIns.h"
#include "comsupport.h"

class CTolvanePlugIn
    : public CDispatchImpl<ITolvanePlugIn, &IID_ITolvanePlugIn, &LIBID_TolvanePlugInsLib, 1, 0>,
      public CConnectionPointContainerImpl,
      public CComObjectRootBase {
public:
    CTolvanePlugIn();

    TOL_BEGIN_COM_MAP(CTolvanePlugIn)
    TOL_COM_INTERFACE(IID_ITolvanePlugIn, ITolvanePlugIn)
    TOL_COM_INTERFACE(IID_IDispatch, ITolvanePlugIn)
    TOL_COM_INTERFACE(IID_IConnectionPointContainer, IConnectionPointContainer)
    TOL_END_COM_MAP()

    STDMETHOD(Init)(VARIANT szAuth, VARIANT* szCommand) override;
    STDMETHOD(Add)(VARIANT szNewVal, VARIANT_BOOL* retVal) override;
    STDMETHOD(Get)(VARIANT* szResult) override;
    STDMETHOD(Set)(unsigned short nvType, VARIANT nValue) override;

private:
    CConnectionPoint m_events{DIID__ITolvanePlugInEvents};
};
