// The stand-in Shell.Application of the test bed: NameSpace of a folder or a zip file, its
// Items with Count, Item and each item's Path, and an asynchronous CopyHere into a folder.
// Everything else a shell offers answers E_NOTIMPL.
#pragma once

#include "comsupport.h"
#include "no_type_info_dispatch.h"
#include "standin_items.h"

#include <shldisp.h>

#include <string>
#include <vector>

// Answered by the stand-in's item collections only: CopyHere finds its items through it.
// {7C1B6E52-3F0A-4B8E-9D21-54A0C3E2B917}
extern const IID IID_IStandInFolderItems;

class CStandInFolderItem : public CNoNamesDispatch<FolderItem>, public CComObjectRootBase {
public:
    TOL_BEGIN_COM_MAP(CStandInFolderItem)
    TOL_COM_INTERFACE(IID_FolderItem, FolderItem)
    TOL_COM_INTERFACE(IID_IDispatch, FolderItem)
    TOL_END_COM_MAP()

    static HRESULT Create(const StandInItem& item, FolderItem** out);

    STDMETHODIMP get_Application(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_Parent(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_Name(BSTR* name) override;
    STDMETHODIMP put_Name(BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP get_Path(BSTR* path) override;
    STDMETHODIMP get_GetLink(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_GetFolder(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_IsLink(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP get_IsFolder(VARIANT_BOOL* folder) override;
    STDMETHODIMP get_IsFileSystem(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP get_IsBrowsable(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP get_ModifyDate(DATE*) override { return E_NOTIMPL; }
    STDMETHODIMP put_ModifyDate(DATE) override { return E_NOTIMPL; }
    STDMETHODIMP get_Size(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Type(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP Verbs(FolderItemVerbs**) override { return E_NOTIMPL; }
    STDMETHODIMP InvokeVerb(VARIANT) override { return E_NOTIMPL; }

private:
    StandInItem m_item;
};

class CStandInFolderItems : public CNoNamesDispatch<FolderItems>, public CComObjectRootBase {
public:
    TOL_BEGIN_COM_MAP(CStandInFolderItems)
    TOL_COM_INTERFACE(IID_FolderItems, FolderItems)
    TOL_COM_INTERFACE(IID_IDispatch, FolderItems)
    TOL_COM_INTERFACE(IID_IStandInFolderItems, FolderItems)
    TOL_END_COM_MAP()

    static HRESULT Create(const std::vector<StandInItem>& items, FolderItems** out);
    const std::vector<StandInItem>& Entries() const { return m_items; }

    STDMETHODIMP get_Count(LONG* count) override;
    STDMETHODIMP get_Application(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_Parent(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP Item(VARIANT index, FolderItem** item) override;
    STDMETHODIMP _NewEnum(IUnknown**) override { return E_NOTIMPL; }

private:
    std::vector<StandInItem> m_items;
};

class CStandInFolder : public CNoNamesDispatch<Folder>, public CComObjectRootBase {
public:
    TOL_BEGIN_COM_MAP(CStandInFolder)
    TOL_COM_INTERFACE(IID_Folder, Folder)
    TOL_COM_INTERFACE(IID_IDispatch, Folder)
    TOL_END_COM_MAP()

    // A folder of the path when it is a folder or a zip file; S_FALSE and null otherwise.
    static HRESULT Create(const std::wstring& path, Folder** out);

    STDMETHODIMP get_Title(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Application(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_Parent(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_ParentFolder(Folder**) override { return E_NOTIMPL; }
    STDMETHODIMP Items(FolderItems** items) override;
    STDMETHODIMP ParseName(BSTR, FolderItem**) override { return E_NOTIMPL; }
    STDMETHODIMP NewFolder(BSTR, VARIANT) override { return E_NOTIMPL; }
    STDMETHODIMP MoveHere(VARIANT, VARIANT) override { return E_NOTIMPL; }
    STDMETHODIMP CopyHere(VARIANT item, VARIANT options) override;
    STDMETHODIMP GetDetailsOf(VARIANT, int, BSTR*) override { return E_NOTIMPL; }

private:
    std::wstring m_path;
};

class CStandInShell : public CNoNamesDispatch<IShellDispatch>, public CComObjectRootBase {
public:
    TOL_BEGIN_COM_MAP(CStandInShell)
    TOL_COM_INTERFACE(IID_IShellDispatch, IShellDispatch)
    TOL_COM_INTERFACE(IID_IDispatch, IShellDispatch)
    TOL_END_COM_MAP()

    STDMETHODIMP get_Application(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_Parent(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP NameSpace(VARIANT folder, Folder** out) override;
    STDMETHODIMP BrowseForFolder(LONG, BSTR, LONG, VARIANT, Folder**) override { return E_NOTIMPL; }
    STDMETHODIMP Windows(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP Open(VARIANT) override { return E_NOTIMPL; }
    STDMETHODIMP Explore(VARIANT) override { return E_NOTIMPL; }
    STDMETHODIMP MinimizeAll() override { return E_NOTIMPL; }
    STDMETHODIMP UndoMinimizeALL() override { return E_NOTIMPL; }
    STDMETHODIMP FileRun() override { return E_NOTIMPL; }
    STDMETHODIMP CascadeWindows() override { return E_NOTIMPL; }
    STDMETHODIMP TileVertically() override { return E_NOTIMPL; }
    STDMETHODIMP TileHorizontally() override { return E_NOTIMPL; }
    STDMETHODIMP ShutdownWindows() override { return E_NOTIMPL; }
    STDMETHODIMP Suspend() override { return E_NOTIMPL; }
    STDMETHODIMP EjectPC() override { return E_NOTIMPL; }
    STDMETHODIMP SetTime() override { return E_NOTIMPL; }
    STDMETHODIMP TrayProperties() override { return E_NOTIMPL; }
    STDMETHODIMP Help() override { return E_NOTIMPL; }
    STDMETHODIMP FindFiles() override { return E_NOTIMPL; }
    STDMETHODIMP FindComputer() override { return E_NOTIMPL; }
    STDMETHODIMP RefreshMenu() override { return E_NOTIMPL; }
    STDMETHODIMP ControlPanelItem(BSTR) override { return E_NOTIMPL; }
};
