#include "standin_shell.h"

#include "standin_copy.h"

const IID IID_IStandInFolderItems = {
    0x7C1B6E52, 0x3F0A, 0x4B8E, {0x9D, 0x21, 0x54, 0xA0, 0xC3, 0xE2, 0xB9, 0x17}};

namespace {

// A new object of the class with one reference, handed out as the interface.
template <class T, class Itf>
HRESULT NewObject(CComObject<T>** object, Itf** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    HRESULT hr = CComObject<T>::CreateInstance(object);
    if (FAILED(hr))
        return hr;
    (*object)->AddRef();
    *out = *object;
    return S_OK;
}

HRESULT HandOutText(const std::wstring& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// A VT_BSTR, possibly by reference, as text; false for anything else.
bool TextOf(const VARIANT& value, std::wstring* text)
{
    CComVariant copy;
    if (FAILED(VariantChangeType(&copy, const_cast<VARIANT*>(&value), 0, VT_BSTR)) ||
        !V_BSTR(&copy))
        return false;
    *text = V_BSTR(&copy);
    return true;
}

// The items CopyHere was given: a stand-in item collection, or the path of one item.
bool ItemsToCopy(const VARIANT& what, std::vector<StandInItem>* items)
{
    VARTYPE type = V_VT(&what) & ~VT_BYREF;
    if (type == VT_DISPATCH) {
        IDispatch* dispatch = V_ISBYREF(&what) ? *V_DISPATCHREF(&what) : V_DISPATCH(&what);
        CComPtr<FolderItems> collection;
        if (!dispatch ||
            FAILED(dispatch->QueryInterface(IID_IStandInFolderItems, collection.ReceiveVoid())))
            return false;
        *items = static_cast<CStandInFolderItems*>(collection.Get())->Entries();
        return true;
    }
    std::wstring path;
    if (!TextOf(what, &path))
        return false;
    size_t cut = path.find_last_of(L"\\/");
    StandInItem item;
    item.name = cut == std::wstring::npos ? path : path.substr(cut + 1);
    item.path = path;
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || item.name.empty())
        return false;
    item.isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    items->push_back(item);
    return true;
}

}  // namespace

HRESULT CStandInFolderItem::Create(const StandInItem& item, FolderItem** out)
{
    CComObject<CStandInFolderItem>* object = nullptr;
    HRESULT hr = NewObject(&object, out);
    if (SUCCEEDED(hr))
        object->m_item = item;
    return hr;
}

STDMETHODIMP CStandInFolderItem::get_Name(BSTR* name)
{
    return HandOutText(m_item.name, name);
}

STDMETHODIMP CStandInFolderItem::get_Path(BSTR* path)
{
    return HandOutText(m_item.path, path);
}

STDMETHODIMP CStandInFolderItem::get_IsFolder(VARIANT_BOOL* folder)
{
    if (!folder)
        return E_POINTER;
    *folder = m_item.isFolder ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CStandInFolderItems::Create(const std::vector<StandInItem>& items, FolderItems** out)
{
    CComObject<CStandInFolderItems>* object = nullptr;
    HRESULT hr = NewObject(&object, out);
    if (SUCCEEDED(hr))
        object->m_items = items;
    return hr;
}

STDMETHODIMP CStandInFolderItems::get_Count(LONG* count)
{
    if (!count)
        return E_POINTER;
    *count = static_cast<LONG>(m_items.size());
    return S_OK;
}

STDMETHODIMP CStandInFolderItems::Item(VARIANT index, FolderItem** item)
{
    if (!item)
        return E_POINTER;
    *item = nullptr;
    CComVariant number;
    if (FAILED(VariantChangeType(&number, &index, 0, VT_I4)))
        return E_INVALIDARG;
    LONG at = V_I4(&number);
    if (at < 0 || static_cast<size_t>(at) >= m_items.size())
        return S_FALSE;
    return CStandInFolderItem::Create(m_items[static_cast<size_t>(at)], item);
}

HRESULT CStandInFolder::Create(const std::wstring& path, Folder** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    std::vector<StandInItem> items;
    if (!ReadStandInItems(path, &items))
        return S_FALSE;
    CComObject<CStandInFolder>* object = nullptr;
    HRESULT hr = NewObject(&object, out);
    if (SUCCEEDED(hr))
        object->m_path = path;
    return hr;
}

STDMETHODIMP CStandInFolder::Items(FolderItems** items)
{
    std::vector<StandInItem> entries;
    if (!ReadStandInItems(m_path, &entries))
        return E_FAIL;
    return CStandInFolderItems::Create(entries, items);
}

STDMETHODIMP CStandInFolder::CopyHere(VARIANT item, VARIANT)
{
    DWORD attributes = GetFileAttributesW(m_path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return E_FAIL;  // a zip is not written to
    std::vector<StandInItem> items;
    if (!ItemsToCopy(item, &items))
        return E_INVALIDARG;
    return StartStandInCopy(items, m_path, ReadCopySwitches());
}

STDMETHODIMP CStandInShell::NameSpace(VARIANT folder, Folder** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    std::wstring path;
    if (!TextOf(folder, &path))
        return S_FALSE;
    return CStandInFolder::Create(path, out);
}
