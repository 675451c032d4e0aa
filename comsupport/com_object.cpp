#include "com_object.h"

HRESULT CComObjectRootBase::InternalQueryInterface(void* object, const CComInterfaceEntry* map,
                                                   REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!object || !map || !map->iid)
        return E_NOINTERFACE;
    const CComInterfaceEntry* found = IsEqualIID(riid, IID_IUnknown) ? map : nullptr;
    for (const CComInterfaceEntry* e = map; !found && e->iid; ++e) {
        if (IsEqualIID(riid, *e->iid))
            found = e;
    }
    if (!found)
        return E_NOINTERFACE;
    auto* itf = reinterpret_cast<IUnknown*>(static_cast<char*>(object) + found->offset);
    itf->AddRef();
    *ppv = itf;
    return S_OK;
}
