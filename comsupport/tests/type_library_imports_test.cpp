// Every type library the build embeds resolves its base interfaces: a dual or plain interface
// derives, step by step, from IUnknown through interfaces with their own identifiers. A base
// that resolves to anything else (a record of an imported library, a type without identifier)
// leaves the universal marshaller unable to make proxies and stubs across processes.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "com_ptr.h"

namespace {

// The binaries of the test bed folder that carry a type library.
std::vector<std::wstring> BinariesWithTypeLibraries()
{
    std::vector<std::wstring> found;
    for (const wchar_t* pattern : {L"*.dll", L"*.exe"}) {
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW(pattern, &entry);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do {
            HMODULE module =
                LoadLibraryExW(entry.cFileName, nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
            if (!module)
                continue;
            if (FindResourceW(module, MAKEINTRESOURCEW(1), L"TYPELIB"))
                found.push_back(entry.cFileName);
            FreeLibrary(module);
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    return found;
}

std::wstring Name(ITypeInfo* info)
{
    BSTR name = nullptr;
    info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    std::wstring text = name ? name : L"?";
    SysFreeString(name);
    return text;
}

// Follows the chain of base interfaces of an interface down to IUnknown; empty when sound,
// else what went wrong.
std::wstring CheckBaseChain(ITypeInfo* start)
{
    CComPtr<ITypeInfo> info(start);
    for (int depth = 0; depth < 16; ++depth) {
        TYPEATTR* attr = nullptr;
        if (FAILED(info->GetTypeAttr(&attr)))
            return L"no type attributes";
        TYPEKIND kind = attr->typekind;
        GUID guid = attr->guid;
        WORD bases = attr->cImplTypes;
        info->ReleaseTypeAttr(attr);
        if (kind != TKIND_INTERFACE && kind != TKIND_DISPATCH)
            return L"base " + Name(info) + L" is not an interface";
        if (IsEqualGUID(guid, GUID_NULL))
            return L"base " + Name(info) + L" has no identifier";
        if (IsEqualGUID(guid, IID_IUnknown))
            return L"";
        if (bases != 1)
            return Name(info) + L" has no single base";
        HREFTYPE ref = 0;
        CComPtr<ITypeInfo> base;
        if (FAILED(info->GetRefTypeOfImplType(0, &ref)) ||
            FAILED(info->GetRefTypeInfo(ref, base.Receive())))
            return L"the base of " + Name(info) + L" does not resolve";
        info = base;
    }
    return L"base chain too deep";
}

TEST(TypeLibraryImports, EveryInterfaceDerivesFromIUnknownThroughInterfaces)
{
    std::vector<std::wstring> binaries = BinariesWithTypeLibraries();
    ASSERT_FALSE(binaries.empty());
    for (const std::wstring& binary : binaries) {
        CComPtr<ITypeLib> library;
        ASSERT_EQ(LoadTypeLibEx(binary.c_str(), REGKIND_NONE, library.Receive()), S_OK) << binary;
        for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
            TYPEKIND kind;
            CComPtr<ITypeInfo> info;
            ASSERT_EQ(library->GetTypeInfoType(i, &kind), S_OK);
            ASSERT_EQ(library->GetTypeInfo(i, info.Receive()), S_OK);
            if (kind != TKIND_INTERFACE && kind != TKIND_DISPATCH)
                continue;
            // A dual interface is checked in its vtable form, as the marshaller sees it.
            HREFTYPE vtable = 0;
            CComPtr<ITypeInfo> dual;
            if (kind == TKIND_DISPATCH && SUCCEEDED(info->GetRefTypeOfImplType(-1, &vtable)) &&
                SUCCEEDED(info->GetRefTypeInfo(vtable, dual.Receive())))
                info = dual;
            EXPECT_EQ(CheckBaseChain(info), L"") << binary << L": " << Name(info);
        }
    }
}

}  // namespace
