// CDispEventSink: an event sink for a source dispatch interface, with a sink map that sends each
// dispatch id to a member function.
//
//     class CPlugInSink : public CDispEventSink<CPlugInSink, &DIID__ITolvanePlugInEvents,
//                                               &LIBID_TolvanePlugInsLib, 1, 0> {
//     public:
//         TOL_BEGIN_SINK_MAP(CPlugInSink)
//             TOL_SINK_ENTRY(1, &CPlugInSink::OnNewData)
//         TOL_END_SINK_MAP()
//         HRESULT OnNewData(VARIANT srcID, VARIANT newDesc);
//     };
//
//     sink.DispEventAdvise(plugIn);  ...  sink.DispEventUnadvise(plugIn);
//
// Handlers take their parameters in the event's order; a VARIANT parameter receives the caller's
// argument as it came (not a copy to be freed), other types (long, int, ULONG, unsigned short,
// VARIANT_BOOL, BSTR, double) receive it converted (DISP_E_TYPEMISMATCH when it cannot be).
// A dispatch id missing from the map is answered S_OK without a call; a wrong argument count is
// DISP_E_BADPARAMCOUNT. The sink's reference counting is a no-op: its owner keeps it alive and
// unadvises it before deleting it. A sink that lives on the heap on its own derives from
// CRefCountedDispEventSink instead (same parameters): counted, deleted at its last release.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <tuple>
#include <utility>

#include "com_ptr.h"
#include "com_variant.h"
#include "ref_counted.h"
#include "type_library.h"

struct CSinkMapEntry {
    DISPID id;
    HRESULT (*invoke)(void* sink, DISPPARAMS* params);
};

#define TOL_BEGIN_SINK_MAP(cls)              \
    using SinkMapClass = cls;                \
    static const CSinkMapEntry* GetSinkMap() \
    {                                        \
        static const CSinkMapEntry entries[] = {
#define TOL_SINK_ENTRY(dispid, handler) \
    {(dispid), &SinkHandlerThunk<SinkMapClass, handler>::Invoke},
#define TOL_END_SINK_MAP()      \
    {                           \
        DISPID_UNKNOWN, nullptr \
    }                           \
    }                           \
    ;                           \
    return entries;             \
    }

namespace sink_detail {

template <class A>
struct Arg;

template <>
struct Arg<VARIANT> {
    static constexpr VARTYPE vt = VT_VARIANT;
    static VARIANT From(VARIANT& v) { return v; }
};
template <>
struct Arg<VARIANT*> {
    static constexpr VARTYPE vt = VT_VARIANT;
    static VARIANT* From(VARIANT& v) { return &v; }
};
template <>
struct Arg<long> {
    static constexpr VARTYPE vt = VT_I4;
    static long From(VARIANT& v) { return v.lVal; }
};
template <>
struct Arg<int> {
    static constexpr VARTYPE vt = VT_I4;
    static int From(VARIANT& v) { return v.lVal; }
};
template <>
struct Arg<unsigned long> {
    static constexpr VARTYPE vt = VT_UI4;
    static unsigned long From(VARIANT& v) { return v.ulVal; }
};
template <>
struct Arg<unsigned short> {
    static constexpr VARTYPE vt = VT_UI2;
    static unsigned short From(VARIANT& v) { return v.uiVal; }
};
template <>
struct Arg<short> {  // VARIANT_BOOL
    static constexpr VARTYPE vt = VT_BOOL;
    static short From(VARIANT& v) { return v.boolVal; }
};
template <>
struct Arg<BSTR> {
    static constexpr VARTYPE vt = VT_BSTR;
    static BSTR From(VARIANT& v) { return v.bstrVal; }
};
template <>
struct Arg<double> {
    static constexpr VARTYPE vt = VT_R8;
    static double From(VARIANT& v) { return v.dblVal; }
};

// The natural-order argument i of DISPPARAMS, converted for its parameter into `hold`.
template <class A>
HRESULT Prepare(DISPPARAMS* params, UINT index, CComVariant& hold, VARIANT** use)
{
    VARIANT* src = &params->rgvarg[params->cArgs - 1 - index];
    if constexpr (Arg<A>::vt == VT_VARIANT) {
        *use = src;
        return S_OK;
    }
    HRESULT hr = VariantChangeType(&hold, src, 0, Arg<A>::vt);
    *use = &hold;
    return FAILED(hr) ? DISP_E_TYPEMISMATCH : S_OK;
}

template <class T, class... A, size_t... I>
HRESULT Call(T* sink, HRESULT (T::*handler)(A...), DISPPARAMS* params, std::index_sequence<I...>)
{
    if (!params || params->cArgs != sizeof...(A))
        return DISP_E_BADPARAMCOUNT;
    CComVariant hold[sizeof...(A) + 1];
    VARIANT* use[sizeof...(A) + 1] = {};
    HRESULT hr = S_OK;
    ((hr = SUCCEEDED(hr) ? Prepare<A>(params, I, hold[I], &use[I]) : hr), ...);
    if (FAILED(hr))
        return hr;
    return (sink->*handler)(Arg<A>::From(*use[I])...);
}

}  // namespace sink_detail

template <class T, auto Handler>
struct SinkHandlerThunk;

template <class T, class C, class... A, HRESULT (C::*Handler)(A...)>
struct SinkHandlerThunk<T, Handler> {
    static HRESULT Invoke(void* sink, DISPPARAMS* params)
    {
        return sink_detail::Call<C, A...>(static_cast<C*>(static_cast<T*>(sink)), Handler, params,
                                          std::index_sequence_for<A...>{});
    }
};

template <class T, const IID* EventIid, const GUID* LibId, WORD Major = 1, WORD Minor = 0>
class CDispEventSink : public IDispatch {
public:
    static constexpr DWORD kNotAdvised = 0xFEFEFEFE;

    CDispEventSink() = default;
    CDispEventSink(const CDispEventSink&) = delete;
    CDispEventSink& operator=(const CDispEventSink&) = delete;

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, *EventIid)) {
            *ppv = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return 1; }
    STDMETHOD_(ULONG, Release)() override { return 1; }

    STDMETHOD(GetTypeInfoCount)(UINT* count) override
    {
        return CComTypeInfoHolder::GetTypeInfoCount(count);
    }
    STDMETHOD(GetTypeInfo)(UINT index, LCID, ITypeInfo** info) override
    {
        return TypeInfo().GetTypeInfo(index, info);
    }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        return TypeInfo().GetIDsOfNames(names, count, ids);
    }
    STDMETHOD(Invoke)
    (DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*, UINT*) override
    {
        if (result)
            VariantInit(result);
        const CSinkMapEntry* entry = GetFuncInfoFromId(id);
        if (!entry)
            return S_OK;
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        return entry->invoke(static_cast<T*>(this), params ? params : &none);
    }

    // The sink-map entry of a dispatch id, null when the map has none (the slot after Invoke).
    virtual const CSinkMapEntry* GetFuncInfoFromId(DISPID id)
    {
        for (const CSinkMapEntry* e = T::GetSinkMap(); e->invoke; ++e) {
            if (e->id == id)
                return e;
        }
        return nullptr;
    }
    virtual ~CDispEventSink() = default;

    // Advises this sink on the source's connection point for the event interface.
    HRESULT DispEventAdvise(IUnknown* source)
    {
        CComPtr<IConnectionPoint> point;
        HRESULT hr = FindPoint(source, point.Receive());
        if (FAILED(hr))
            return hr;
        DWORD cookie = 0;
        hr = point->Advise(static_cast<IDispatch*>(this), &cookie);
        if (SUCCEEDED(hr))
            m_cookie = cookie;
        return hr;
    }
    HRESULT DispEventUnadvise(IUnknown* source)
    {
        if (m_cookie == kNotAdvised)
            return CONNECT_E_NOCONNECTION;
        CComPtr<IConnectionPoint> point;
        HRESULT hr = FindPoint(source, point.Receive());
        if (FAILED(hr))
            return hr;
        hr = point->Unadvise(m_cookie);
        m_cookie = kNotAdvised;
        return hr;
    }
    DWORD Cookie() const { return m_cookie; }
    bool IsAdvised() const { return m_cookie != kNotAdvised; }

    static CComTypeInfoHolder& TypeInfo()
    {
        static CComTypeInfoHolder holder(LibId, Major, Minor, EventIid);
        return holder;
    }

private:
    static HRESULT FindPoint(IUnknown* source, IConnectionPoint** point)
    {
        if (!source)
            return E_POINTER;
        CComPtr<IConnectionPointContainer> container;
        HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid());
        if (FAILED(hr))
            return hr;
        return container->FindConnectionPoint(*EventIid, point);
    }

    DWORD m_cookie = kNotAdvised;
};

// A CDispEventSink with a reference count (CRefCounted): a new sink holds one reference, its
// creator's, and every interface it hands out counts as one more, so whoever holds one keeps
// the sink.
template <class T, const IID* EventIid, const GUID* LibId, WORD Major = 1, WORD Minor = 0>
class CRefCountedDispEventSink
    : public CRefCounted<CDispEventSink<T, EventIid, LibId, Major, Minor>> {
public:
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
    {
        HRESULT hr = CDispEventSink<T, EventIid, LibId, Major, Minor>::QueryInterface(riid, ppv);
        if (SUCCEEDED(hr))
            this->AddRef();
        return hr;
    }
};
