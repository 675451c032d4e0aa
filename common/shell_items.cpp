#include "shell_items.h"

#include "com_bstr.h"
#include "com_variant.h"

#include <ole2.h>
#include <shlwapi.h>

HRESULT CreateShellDispatch(CComPtr<IShellDispatch>& shell)
{
    return shell.CoCreateInstance(CLSID_Shell, IID_IShellDispatch);
}

HRESULT CreateRunningShellDispatch(CComPtr<IShellDispatch>& shell)
{
    CComPtr<IUnknown> object;
    HRESULT hr = object.CoCreateInstance(CLSID_Shell, IID_IUnknown);
    if (FAILED(hr))
        return hr;
    hr = OleRun(object);
    if (FAILED(hr))
        return hr;
    return object.QueryTo(IID_IShellDispatch, &shell);
}

CComPtr<Folder> ShellNameSpace(IShellDispatch* shell, const wchar_t* path)
{
    CComPtr<Folder> folder;
    CComVariant where(path);
    if (!shell || !where.IsBSTR() || FAILED(shell->NameSpace(where, &folder)))
        folder.Release();
    return folder;
}

CComPtr<FolderItems> ShellFolderItems(Folder* folder)
{
    CComPtr<FolderItems> items;
    if (!folder || FAILED(folder->Items(&items)))
        items.Release();
    return items;
}

long ShellItemCount(FolderItems* items)
{
    LONG count = 0;
    if (!items || FAILED(items->get_Count(&count)) || count < 0)
        return 0;
    return count;
}

bool ShellItemName(FolderItems* items, long index, std::wstring* name)
{
    CComPtr<FolderItem> item;
    CComVariant at(index);
    if (!items || FAILED(items->Item(at, &item)) || !item)
        return false;
    CComBSTR path;
    if (FAILED(item->get_Path(path.Receive())) || !path)
        return false;
    std::wstring text(path.Get(), path.Length());
    size_t cut = text.find_last_of(L'\\');
    if (cut != std::wstring::npos)
        text.erase(0, cut + 1);
    cut = text.find_last_of(L'/');
    if (cut != std::wstring::npos)
        text.erase(0, cut + 1);
    *name = text;
    return true;
}

HRESULT ShellCopyHere(Folder* destination, FolderItems* items, long options)
{
    if (!destination || !items)
        return E_POINTER;
    VARIANT what;
    VariantInit(&what);
    V_VT(&what) = VT_DISPATCH;
    V_DISPATCH(&what) = items;  // borrowed: not cleared
    CComVariant how(options);
    return destination->CopyHere(what, how);
}

namespace {

bool EveryItemPresent(FolderItems* items, const wchar_t* folder, IItemPresenceObserver& observer)
{
    for (long index = 0; index < ShellItemCount(items); ++index) {
        std::wstring name;
        if (!ShellItemName(items, index, &name) || name.empty())
            continue;
        wchar_t target[MAX_PATH] = {};
        if (!PathCombineW(target, folder, name.c_str()))
            return false;
        observer.OnChecking(target);
        if (GetFileAttributesW(target) == INVALID_FILE_ATTRIBUTES) {
            observer.OnMissing(target);
            return false;
        }
    }
    return true;
}

}  // namespace

bool WaitForShellItems(FolderItems* items, const wchar_t* folder, IItemPresenceObserver& observer,
                       int tests, DWORD pause)
{
    for (int test = 0; test < tests; ++test) {
        Sleep(pause);
        if (EveryItemPresent(items, folder, observer))
            return true;
    }
    return false;
}
