#include "connection_point.h"

#include <new>

#include "ref_counted.h"

namespace {

// A snapshot enumerator over copies of T (IEnumConnections over CONNECTDATA,
// IEnumConnectionPoints over IConnectionPoint*), each item holding a reference.
template <class Itf, class Item, const IID* Iid>
class CSnapshotEnum : public CRefCounted<Itf> {
public:
    CSnapshotEnum(std::vector<Item> items, IUnknown* owner)
        : m_items(std::move(items)), m_owner(owner)
    {
    }
    ~CSnapshotEnum() override
    {
        for (Item& item : m_items)
            ReleaseItem(item);
    }

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, *Iid)) {
            *ppv = static_cast<Itf*>(this);
            this->AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD(Next)(ULONG count, Item* out, ULONG* fetched) override
    {
        if (!out || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && m_pos < m_items.size()) {
            out[n] = m_items[m_pos++];
            AddRefItem(out[n]);
            ++n;
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHOD(Skip)(ULONG count) override
    {
        size_t left = m_items.size() - m_pos;
        m_pos += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHOD(Reset)() override
    {
        m_pos = 0;
        return S_OK;
    }
    STDMETHOD(Clone)(Itf** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        std::vector<Item> copy = m_items;
        for (Item& item : copy)
            AddRefItem(item);
        auto* clone = new (std::nothrow) CSnapshotEnum(std::move(copy), m_owner);
        if (!clone)
            return E_OUTOFMEMORY;
        clone->m_pos = m_pos;
        *out = clone;
        return S_OK;
    }

    static HRESULT Create(std::vector<Item> items, IUnknown* owner, Itf** out)
    {
        auto* e = new (std::nothrow) CSnapshotEnum(std::move(items), owner);
        if (!e)
            return E_OUTOFMEMORY;
        *out = e;
        return S_OK;
    }

private:
    static void AddRefItem(CONNECTDATA& item) { item.pUnk->AddRef(); }
    static void ReleaseItem(CONNECTDATA& item) { item.pUnk->Release(); }
    static void AddRefItem(IConnectionPoint* item) { item->AddRef(); }
    static void ReleaseItem(IConnectionPoint* item) { item->Release(); }

    std::vector<Item> m_items;
    size_t m_pos = 0;
    CComPtr<IUnknown> m_owner;  // keeps the object of the items alive
};

using CEnumConnections = CSnapshotEnum<IEnumConnections, CONNECTDATA, &IID_IEnumConnections>;
using CEnumConnectionPoints =
    CSnapshotEnum<IEnumConnectionPoints, IConnectionPoint*, &IID_IEnumConnectionPoints>;

}  // namespace

CConnectionPoint::~CConnectionPoint()
{
    UnadviseAll();
}

STDMETHODIMP CConnectionPoint::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
        *ppv = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CConnectionPoint::AddRef()
{
    return m_container ? m_container->AddRef() : 1;
}

STDMETHODIMP_(ULONG) CConnectionPoint::Release()
{
    return m_container ? m_container->Release() : 1;
}

STDMETHODIMP CConnectionPoint::GetConnectionInterface(IID* iid)
{
    if (!iid)
        return E_POINTER;
    *iid = m_iid;
    return S_OK;
}

STDMETHODIMP CConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    if (!container)
        return E_POINTER;
    *container = m_container;
    if (!m_container)
        return E_UNEXPECTED;
    m_container->AddRef();
    return S_OK;
}

STDMETHODIMP CConnectionPoint::Advise(IUnknown* sink, DWORD* cookie)
{
    if (!cookie)
        return E_POINTER;
    *cookie = 0;
    if (!sink)
        return E_POINTER;
    IUnknown* itf = nullptr;
    if (FAILED(sink->QueryInterface(m_iid, reinterpret_cast<void**>(&itf))) || !itf)
        return CONNECT_E_CANNOTCONNECT;
    CScopedLock lock(m_lock);
    DWORD next = m_nextCookie++;
    if (m_nextCookie == 0)
        m_nextCookie = 1;
    m_connections.push_back({next, itf});
    *cookie = next;
    return S_OK;
}

STDMETHODIMP CConnectionPoint::Unadvise(DWORD cookie)
{
    IUnknown* sink = nullptr;
    {
        CScopedLock lock(m_lock);
        for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
            if (it->cookie == cookie) {
                sink = it->sink;
                m_connections.erase(it);
                break;
            }
        }
    }
    if (!sink)
        return CONNECT_E_NOCONNECTION;
    sink->Release();
    return S_OK;
}

STDMETHODIMP CConnectionPoint::EnumConnections(IEnumConnections** connections)
{
    if (!connections)
        return E_POINTER;
    *connections = nullptr;
    std::vector<CONNECTDATA> items;
    {
        CScopedLock lock(m_lock);
        for (const Connection& c : m_connections) {
            c.sink->AddRef();
            items.push_back({c.sink, c.cookie});
        }
    }
    return CEnumConnections::Create(std::move(items), nullptr, connections);
}

std::vector<CComPtr<IUnknown>> CConnectionPoint::Sinks() const
{
    std::vector<CComPtr<IUnknown>> sinks;
    CScopedLock lock(m_lock);
    sinks.reserve(m_connections.size());
    for (const Connection& c : m_connections)
        sinks.emplace_back(c.sink);
    return sinks;
}

std::vector<SinkConnection> CConnectionPoint::Connections() const
{
    std::vector<SinkConnection> connections;
    CScopedLock lock(m_lock);
    connections.reserve(m_connections.size());
    for (const Connection& c : m_connections)
        connections.push_back({c.cookie, CComPtr<IUnknown>(c.sink)});
    return connections;
}

size_t CConnectionPoint::SinkCount() const
{
    CScopedLock lock(m_lock);
    return m_connections.size();
}

void CConnectionPoint::UnadviseAll()
{
    std::vector<Connection> old;
    {
        CScopedLock lock(m_lock);
        old.swap(m_connections);
    }
    for (const Connection& c : old)
        c.sink->Release();
}

HRESULT CConnectionPoint::FireDispatch(DISPID id, const VARIANT* args, UINT count) const
{
    return FireDispatchTo(Sinks(), id, args, count);
}

HRESULT CConnectionPoint::FireDispatchTo(const std::vector<CComPtr<IUnknown>>& sinks, DISPID id,
                                         const VARIANT* args, UINT count)
{
    HRESULT result = S_OK;
    for (const CComPtr<IUnknown>& sink : sinks) {
        HRESULT hr = FireDispatchToSink(sink.Get(), id, args, count);
        if (FAILED(hr))
            result = hr;
    }
    return result;
}

HRESULT CConnectionPoint::FireDispatchToSink(IUnknown* sink, DISPID id, const VARIANT* args,
                                             UINT count)
{
    if ((count && !args) || !sink)
        return E_POINTER;
    std::vector<VARIANT> reversed(count);
    for (UINT i = 0; i < count; ++i)
        reversed[i] = args[count - 1 - i];  // shallow: the callee only reads them
    auto* dispatch = static_cast<IDispatch*>(sink);
    DISPPARAMS params{count ? reversed.data() : nullptr, nullptr, count, 0};
    return dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                            nullptr, nullptr);
}

STDMETHODIMP CConnectionPointContainerImpl::EnumConnectionPoints(IEnumConnectionPoints** points)
{
    if (!points)
        return E_POINTER;
    *points = nullptr;
    std::vector<IConnectionPoint*> items;
    for (CConnectionPoint* p : m_points) {
        p->AddRef();
        items.push_back(p);
    }
    return CEnumConnectionPoints::Create(std::move(items), nullptr, points);
}

STDMETHODIMP CConnectionPointContainerImpl::FindConnectionPoint(REFIID riid,
                                                                IConnectionPoint** point)
{
    if (!point)
        return E_POINTER;
    *point = nullptr;
    for (CConnectionPoint* p : m_points) {
        if (IsEqualIID(riid, p->Iid())) {
            p->AddRef();
            *point = p;
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

void CConnectionPointContainerImpl::RegisterConnectionPoint(CConnectionPoint* point)
{
    if (!point)
        return;
    point->SetContainer(this);
    m_points.push_back(point);
}
