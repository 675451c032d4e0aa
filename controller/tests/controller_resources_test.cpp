// What Controller.exe carries besides code: its window's template, icons, tray menu, version
// information and the manifest that asks for elevation.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "controller_resources.h"

namespace {

class ControllerResourcesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_program = LoadLibraryExW(L"Controller.exe", nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(m_program, nullptr) << GetLastError();
    }
    void TearDown() override { FreeLibrary(m_program); }

    const BYTE* Resource(const wchar_t* type, UINT id, DWORD* size = nullptr)
    {
        HRSRC found = FindResourceW(m_program, MAKEINTRESOURCEW(id), type);
        if (!found)
            return nullptr;
        if (size)
            *size = SizeofResource(m_program, found);
        return static_cast<const BYTE*>(LockResource(LoadResource(m_program, found)));
    }

    HMODULE m_program = nullptr;
};

// A DIALOGEX template up to its font (the layout of DLGTEMPLATEEX).
struct DialogTemplate {
    DWORD exStyle;
    DWORD style;
    WORD items;
    short cx;
    short cy;
    WORD pointSize;
    std::wstring typeface;
};

const WORD* SkipSzOrOrd(const WORD* p)
{
    if (*p == 0xFFFF)
        return p + 2;
    while (*p++) {
    }
    return p;
}

DialogTemplate ReadDialog(const BYTE* data)
{
    DialogTemplate t = {};
    const WORD* words = reinterpret_cast<const WORD*>(data);
    EXPECT_EQ(words[0], 1);       // dlgVer
    EXPECT_EQ(words[1], 0xFFFF);  // signature of DLGTEMPLATEEX
    memcpy(&t.exStyle, data + 8, 4);
    memcpy(&t.style, data + 12, 4);
    memcpy(&t.items, data + 16, 2);
    memcpy(&t.cx, data + 22, 2);
    memcpy(&t.cy, data + 24, 2);
    const WORD* p = reinterpret_cast<const WORD*>(data + 26);
    p = SkipSzOrOrd(p);  // menu
    p = SkipSzOrOrd(p);  // class
    p = SkipSzOrOrd(p);  // title
    t.pointSize = p[0];
    t.typeface = reinterpret_cast<const wchar_t*>(p + 3);  // after weight, italic and charset
    return t;
}

TEST_F(ControllerResourcesTest, WindowIsACaptionlessPopupShownInTheTaskbar)
{
    const BYTE* data = Resource(RT_DIALOG, IDD_CONTROLLER_DIALOG);
    ASSERT_NE(data, nullptr);
    DialogTemplate t = ReadDialog(data);
    EXPECT_EQ(t.style & (WS_POPUP | WS_VISIBLE), static_cast<DWORD>(WS_POPUP | WS_VISIBLE));
    EXPECT_EQ(t.style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_SYSMENU), 0u);
    EXPECT_EQ(t.exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(t.items, 0);
    EXPECT_EQ(t.cx, 213);
    EXPECT_EQ(t.cy, 214);
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.typeface, L"MS Shell Dlg");
}

TEST_F(ControllerResourcesTest, ProgramAndStatusIcons)
{
    for (UINT id : {IDR_MAINFRAME, IDI_STATUS_NOK, IDI_STATUS_UND, IDI_STATUS_OK})
        EXPECT_NE(Resource(RT_GROUP_ICON, id), nullptr) << id;
}

TEST_F(ControllerResourcesTest, TrayMenuHasTheAgentPopupWithItsFourCommands)
{
    HMENU menu = LoadMenuW(m_program, MAKEINTRESOURCEW(IDR_TRAY_MENU));
    ASSERT_NE(menu, nullptr);
    wchar_t text[64] = {};
    ASSERT_EQ(GetMenuItemCount(menu), 1);
    GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"Agent");
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    struct Item {
        UINT id;
        const wchar_t* text;
    } items[] = {{32772, L"Help"}, {32773, L"Show"}, {32774, L"Hide"}, {32775, L"Exit"}};
    ASSERT_EQ(GetMenuItemCount(popup), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(GetMenuItemID(popup, i), items[i].id);
        GetMenuStringW(popup, i, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, items[i].text);
    }
    DestroyMenu(menu);
}

TEST_F(ControllerResourcesTest, VersionInformationNamesTheProduct)
{
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(L"Controller.exe", &handle);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(L"Controller.exe", 0, size, &block[0]));
    struct Value {
        const wchar_t* name;
        const wchar_t* text;
    } values[] = {{L"OriginalFilename", L"Controller.exe"},
                  {L"ProductName", L"Tolvane Quorin Agent"},
                  {L"CompanyName", L"Tolvane Inc."}};
    for (const Value& v : values) {
        std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + v.name;
        wchar_t* text = nullptr;
        UINT chars = 0;
        ASSERT_TRUE(
            VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &chars))
            << v.name;
        EXPECT_STREQ(text, v.text);
    }
}

TEST_F(ControllerResourcesTest, ManifestAsksForElevationWithoutUiAccess)
{
    DWORD size = 0;
    const BYTE* data = Resource(RT_MANIFEST, 1, &size);
    ASSERT_NE(data, nullptr);
    std::string manifest(reinterpret_cast<const char*>(data), size);
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
}

}  // namespace
