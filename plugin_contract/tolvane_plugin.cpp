#include "tolvane_plugin.h"

CTolvanePlugIn::CTolvanePlugIn()
{
    RegisterConnectionPoint(&m_events);
}

STDMETHODIMP CTolvanePlugIn::Init(VARIANT, VARIANT*)
{
    return S_OK;
}

STDMETHODIMP CTolvanePlugIn::Add(VARIANT, VARIANT_BOOL*)
{
    return S_OK;
}

STDMETHODIMP CTolvanePlugIn::Get(VARIANT*)
{
    return S_OK;
}

STDMETHODIMP CTolvanePlugIn::Set(unsigned short, VARIANT)
{
    return S_OK;
}
