#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <iterator>
#include <string>
#include <vector>

#include "resource.h"
#include "window_driver.h"

namespace {

// Reads the little-endian fields of a resource in order.
class ResourceReader {
public:
    ResourceReader(LPCWSTR type, UINT id) {
        HMODULE module = GetModuleHandleW(nullptr);
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
        if (found != nullptr) {
            m_data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
            m_size = SizeofResource(module, found);
        }
    }
    bool Found() const { return m_data != nullptr; }
    template <typename T>
    T Read() {
        T value{};
        if (m_pos + sizeof(T) <= m_size) {
            std::memcpy(&value, m_data + m_pos, sizeof(T));
        }
        m_pos += sizeof(T);
        return value;
    }
    // A string, or an ordinal as "#n".
    std::wstring ReadSzOrOrdinal() {
        if (Peek() == 0xFFFF) {
            Read<WORD>();
            return L"#" + std::to_wstring(Read<WORD>());
        }
        std::wstring text;
        for (WORD c = Read<WORD>(); c != 0 && m_pos <= m_size; c = Read<WORD>()) {
            text += static_cast<wchar_t>(c);
        }
        return text;
    }
    void AlignToDword() { m_pos = (m_pos + 3) & ~size_t{3}; }

private:
    WORD Peek() const {
        WORD value = 0;
        if (m_pos + 2 <= m_size) {
            std::memcpy(&value, m_data + m_pos, 2);
        }
        return value;
    }
    const BYTE* m_data = nullptr;
    size_t m_size = 0;
    size_t m_pos = 0;
};

// Resource compilers write the predefined control classes as ordinals or as names in any case;
// the dialog manager takes both alike.
std::wstring ControlClass(std::wstring name) {
    if (name == L"#128")
        return L"BUTTON";
    if (name == L"#129")
        return L"EDIT";
    if (name == L"#130")
        return L"STATIC";
    for (wchar_t& c : name)
        c = static_cast<wchar_t>(towupper(c));
    return name;
}

struct Control {
    DWORD style;
    short x, y, cx, cy;
    int id;
    std::wstring className;
    std::wstring text;
    bool operator==(const Control& o) const {
        return style == o.style && x == o.x && y == o.y && cx == o.cx && cy == o.cy && id == o.id &&
               className == o.className && text == o.text;
    }
};

void PrintTo(const Control& c, std::ostream* os) {
    *os << std::hex << c.style << std::dec << " " << c.x << "," << c.y << " " << c.cx << "x" << c.cy
        << " id " << c.id << " class/text " << std::string(c.className.begin(), c.className.end())
        << "/" << std::string(c.text.begin(), c.text.end());
}

TEST(ResourcesTest, MainWindowTemplateIsExtendedWithItsStylesMenuFontAndControls) {
    ResourceReader r(RT_DIALOG, IDD_TALLYFOLD_DIALOG);
    ASSERT_TRUE(r.Found());
    EXPECT_EQ(r.Read<WORD>(), 1);       // version
    EXPECT_EQ(r.Read<WORD>(), 0xFFFF);  // extended template
    r.Read<DWORD>();                    // help id
    EXPECT_EQ(r.Read<DWORD>(), static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(r.Read<DWORD>(),
              static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                                 WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_SETFONT));
    const WORD count = r.Read<WORD>();
    EXPECT_EQ(count, 3);
    EXPECT_EQ(r.Read<short>(), 0);
    EXPECT_EQ(r.Read<short>(), 0);
    EXPECT_EQ(r.Read<short>(), 488);
    EXPECT_EQ(r.Read<short>(), 254);
    EXPECT_EQ(r.ReadSzOrOrdinal(), L"#129");  // menu
    EXPECT_EQ(r.ReadSzOrOrdinal(), L"");      // default class
    EXPECT_EQ(r.ReadSzOrOrdinal(), L"Tallyfold");
    EXPECT_EQ(r.Read<WORD>(), 8);  // points
    r.Read<WORD>();                // weight
    r.Read<BYTE>();                // italic
    r.Read<BYTE>();                // character set
    EXPECT_EQ(r.ReadSzOrOrdinal(), L"MS Sans Serif");

    std::vector<Control> controls;
    for (WORD i = 0; i < count; ++i) {
        r.AlignToDword();
        r.Read<DWORD>();  // help id
        r.Read<DWORD>();  // extended style
        Control c{};
        c.style = r.Read<DWORD>();
        c.x = r.Read<short>();
        c.y = r.Read<short>();
        c.cx = r.Read<short>();
        c.cy = r.Read<short>();
        c.id = static_cast<int>(r.Read<DWORD>());
        c.className = ControlClass(r.ReadSzOrOrdinal());
        c.text = r.ReadSzOrOrdinal();
        r.Read<WORD>();  // creation data
        controls.push_back(c);
    }
    const std::vector<Control> expected = {
        {WS_CHILD | WS_TABSTOP | BS_DEFPUSHBUTTON, 263, 233, 59, 14, 1, L"BUTTON", L"OK"},
        {WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 431, 232, 50, 14, 2, L"BUTTON", L"Cancel"},
        {WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
             LVS_OWNERDATA,
         7, 7, 474, 240, 1000, L"SYSLISTVIEW32", L"List1"},
    };
    EXPECT_EQ(controls, expected);
}

// A classic template: its style, size, caption and font, then its controls.
struct ClassicTemplate {
    DWORD style = 0;
    short cx = 0;
    short cy = 0;
    std::wstring caption;
    std::vector<Control> controls;
};

ClassicTemplate ReadClassicTemplate(UINT id) {
    ClassicTemplate read;
    ResourceReader r(RT_DIALOG, id);
    EXPECT_TRUE(r.Found());
    read.style = r.Read<DWORD>();
    EXPECT_EQ(r.Read<DWORD>(), 0u);  // extended style
    const WORD count = r.Read<WORD>();
    EXPECT_EQ(r.Read<short>(), 0);
    EXPECT_EQ(r.Read<short>(), 0);
    read.cx = r.Read<short>();
    read.cy = r.Read<short>();
    EXPECT_EQ(r.ReadSzOrOrdinal(), L"");  // no menu
    EXPECT_EQ(r.ReadSzOrOrdinal(), L"");  // default class
    read.caption = r.ReadSzOrOrdinal();
    EXPECT_EQ(r.Read<WORD>(), 8);
    EXPECT_EQ(r.ReadSzOrOrdinal(), L"MS Sans Serif");
    for (WORD i = 0; i < count; ++i) {
        r.AlignToDword();
        Control c{};
        c.style = r.Read<DWORD>();
        r.Read<DWORD>();  // extended style
        c.x = r.Read<short>();
        c.y = r.Read<short>();
        c.cx = r.Read<short>();
        c.cy = r.Read<short>();
        c.id = static_cast<short>(r.Read<WORD>());
        c.className = ControlClass(r.ReadSzOrOrdinal());
        c.text = r.ReadSzOrOrdinal();
        r.Read<WORD>();
        read.controls.push_back(c);
    }
    return read;
}

TEST(ResourcesTest, AboutTemplateIsClassicWithItsIconTextAndOk) {
    const ClassicTemplate about = ReadClassicTemplate(IDD_ABOUTBOX);
    EXPECT_EQ(about.style, 0x80C800C0u);
    EXPECT_EQ(about.cx, 235);
    EXPECT_EQ(about.cy, 51);
    EXPECT_EQ(about.caption, L"About tallyfold");
    const std::vector<Control> expected = {
        {WS_CHILD | WS_VISIBLE | SS_ICON, 11, 17, 21, 20, -1, L"STATIC", L"#128"},
        {WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT | SS_NOPREFIX, 40, 10, 119, 8, -1, L"STATIC",
         L"tallyfold Version 1.0"},
        {WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, 178, 7, 50, 14, 1,
         L"BUTTON", L"OK"},
    };
    EXPECT_EQ(about.controls, expected);
}

TEST(ResourcesTest, FindTemplateHasItsFieldFindNextAndCancel) {
    const ClassicTemplate find = ReadClassicTemplate(IDD_FIND);
    EXPECT_EQ(find.style, 0x80C800C0u);
    EXPECT_EQ(find.cx, 236);
    EXPECT_EQ(find.cy, 44);
    EXPECT_EQ(find.caption, L"Find");
    const std::vector<Control> expected = {
        {WS_CHILD | WS_VISIBLE | SS_LEFT, 7, 9, 40, 8, -1, L"STATIC", L"Fi&nd what:"},
        {WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 48, 7, 120, 12,
         IDC_FIND_TEXT, L"EDIT", L""},
        {WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, 176, 6, 53, 14, IDOK,
         L"BUTTON", L"&Find Next"},
        {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 176, 23, 53, 14, IDCANCEL, L"BUTTON",
         L"Cancel"},
        {WS_CHILD | WS_VISIBLE | SS_LEFT, 48, 24, 124, 8, -1, L"STATIC",
         L"Names in the first column, in any case."},
    };
    EXPECT_EQ(find.controls, expected);
}

TEST(ResourcesTest, OtherDeviceTemplateHasItsFieldTheListOfPartsAndOkAndCancel) {
    const ClassicTemplate other = ReadClassicTemplate(IDD_OTHER_DEVICE);
    EXPECT_EQ(other.style, 0x80C800C0u);
    EXPECT_EQ(other.cx, 200);
    EXPECT_EQ(other.cy, 182);
    EXPECT_EQ(other.caption, L"Other Device");
    const std::vector<Control> expected = {
        {WS_CHILD | WS_VISIBLE | SS_LEFT, 7, 9, 22, 8, -1, L"STATIC", L"&Part:"},
        {WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 32, 7, 161, 12,
         IDC_PART_FILTER, L"EDIT", L""},
        {WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
             LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | LVS_OWNERDATA,
         7, 25, 186, 130, IDC_PART_LIST, L"SYSLISTVIEW32", L""},
        {WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, 89, 161, 50, 14, IDOK,
         L"BUTTON", L"OK"},
        {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 143, 161, 50, 14, IDCANCEL, L"BUTTON",
         L"Cancel"},
    };
    EXPECT_EQ(other.controls, expected);
}

// A menu's items as (text, command id); a separator is ("", 0).
using MenuItems = std::vector<std::pair<std::wstring, UINT>>;

MenuItems ItemsOf(HMENU menu) {
    MenuItems items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        const auto position = static_cast<UINT>(i);
        wchar_t text[64] = {};
        GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
        items.emplace_back(text, GetMenuItemID(menu, i));
        const UINT state = GetMenuState(menu, position, MF_BYPOSITION);
        if ((state & MF_SEPARATOR) == 0) {
            EXPECT_EQ(state & (MF_CHECKED | MF_GRAYED), 0u) << i;
        }
    }
    return items;
}

TEST(ResourcesTest, MenuHasFileEditDeviceViewAndHelpWithAccessKeysAndTheirCommands) {
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_MAIN_MENU));
    ASSERT_NE(menu, nullptr);
    const struct {
        const wchar_t* dropDown;
        MenuItems items;
    } expected[] = {
        {L"&File",
         {{L"&Open..\tCtrl+O", 57601},
          {L"&Reload\tF5", 32776},
          {L"", 0},
          {L"Save Report &As\x2026\tCtrl+S", 32788},
          {L"&Compare With\x2026", 32789},
          {L"Open &Picture\tF7", 32790},
          {L"", 0},
          {L"E&xit", 32772}}},
        {L"&Edit",
         {{L"&Copy\tCtrl+C", 32777},
          {L"Copy &Table", 32784},
          {L"", 0},
          {L"&Find\x2026\tCtrl+F", 32785},
          {L"Find &Next\tF3", 32786}}},
        {L"&Device",
         {{L"18F&4680", 32773},
          {L"18F4&58", 32774},
          {L"From &Map", 32778},
          {L"", 0},
          {L"&Other Device\x2026", 32787}}},
        {L"&View",
         {{L"&Listed Sections", 32779},
          {L"&All Sections", 32780},
          {L"", 0},
          {L"&Object Files", 32781},
          {L"&Source Files", 32782},
          {L"&Functions and Variables", 32783},
          {L"Memory &Regions", 32791}}},
        {L"&Help", {{L"&About", 32775}}},
    };
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(std::size(expected)));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        SCOPED_TRACE(i);
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, expected[i].dropDown);
        EXPECT_EQ(ItemsOf(GetSubMenu(menu, i)), expected[i].items);
    }
    DestroyMenu(menu);

    HMENU listMenu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_LIST_MENU));
    ASSERT_NE(listMenu, nullptr);
    EXPECT_EQ(ItemsOf(GetSubMenu(listMenu, 0)),
              (MenuItems{{L"&Copy\tCtrl+C", 32777}, {L"Copy &Table", 32784}}));
    DestroyMenu(listMenu);
}

// A key as a menu item names it after a tab: "Ctrl+O", "F5".
std::wstring KeyName(const ACCEL& key) {
    std::wstring name = (key.fVirt & FCONTROL) != 0 ? L"Ctrl+" : L"";
    name += (key.fVirt & FSHIFT) != 0 ? L"Shift+" : L"";
    name += (key.fVirt & FALT) != 0 ? L"Alt+" : L"";
    if (key.key >= VK_F1 && key.key <= VK_F24) {
        return name + L"F" + std::to_wstring(key.key - VK_F1 + 1);
    }
    return name + (key.key == VK_INSERT ? L"Ins" : std::wstring(1, static_cast<wchar_t>(key.key)));
}

// The keys are exactly these, all virtual keys; each key a menu item names after its tab gives
// that item's command.
TEST(ResourcesTest, KeysAreTheOnesTheMenusName) {
    HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    ACCEL keys[16] = {};
    const int count = CopyAcceleratorTableW(table, keys, 16);
    MenuItems named;  // (key name, command)
    for (int i = 0; i < count; ++i) {
        EXPECT_NE(keys[i].fVirt & FVIRTKEY, 0) << i;
        named.emplace_back(KeyName(keys[i]), keys[i].cmd);
    }
    EXPECT_EQ(named, (MenuItems{{L"Ctrl+O", IDM_FILE_OPEN},
                                {L"F5", IDM_FILE_RELOAD},
                                {L"Ctrl+S", IDM_FILE_SAVE_REPORT_AS},
                                {L"F7", IDM_FILE_OPEN_PICTURE},
                                {L"Ctrl+C", IDM_EDIT_COPY},
                                {L"Ctrl+Ins", IDM_EDIT_COPY},
                                {L"Ctrl+F", IDM_EDIT_FIND},
                                {L"F3", IDM_EDIT_FIND_NEXT}}));
    MenuItems items = MenuCommands(IDM_MAIN_MENU);
    for (const auto& item : MenuCommands(IDM_LIST_MENU)) {
        items.push_back(item);
    }
    int keysNamed = 0;
    for (const auto& [text, command] : items) {
        const std::size_t tab = text.find(L'\t');
        if (tab != std::wstring::npos) {
            SCOPED_TRACE(testing::Message() << command);
            ++keysNamed;
            EXPECT_NE(std::find(named.begin(), named.end(),
                                std::make_pair(text.substr(tab + 1), command)),
                      named.end());
        }
    }
    EXPECT_EQ(keysNamed, 8);
}

TEST(ResourcesTest, AboutEntryTextIsString101) {
    wchar_t text[64] = {};
    ASSERT_GT(LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, text, 64), 0);
    EXPECT_STREQ(text, L"&About tallyfold...");
}

TEST(ResourcesTest, IconHas32And16PixelImagesOf16Colours) {
    ResourceReader r(RT_GROUP_ICON, IDI_TALLYFOLD);
    ASSERT_TRUE(r.Found());
    r.Read<WORD>();
    EXPECT_EQ(r.Read<WORD>(), 1);  // icon
    const WORD count = r.Read<WORD>();
    ASSERT_EQ(count, 2);
    const BYTE sizes[] = {32, 16};
    for (BYTE size : sizes) {
        SCOPED_TRACE(size);
        EXPECT_EQ(r.Read<BYTE>(), size);
        EXPECT_EQ(r.Read<BYTE>(), size);
        EXPECT_EQ(r.Read<BYTE>(), 16);  // colours
        r.Read<BYTE>();
        EXPECT_EQ(r.Read<WORD>(), 1);  // planes
        EXPECT_EQ(r.Read<WORD>(), 4);  // bits per pixel
        r.Read<DWORD>();
        r.Read<WORD>();
    }
}

TEST(ResourcesTest, ManifestAsksForCommonControls6AndPerMonitorDpiAwareness) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr);
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    const std::string manifest(data, SizeofResource(module, found));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
}

TEST(ResourcesTest, VersionResourceCarriesTheProgramsStrings) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    const std::pair<const wchar_t*, const wchar_t*> strings[] = {
        {L"CompanyName", L""},
        {L"FileDescription", L"tallyfold MFC Application"},
        {L"FileVersion", L"1, 0, 0, 1"},
        {L"InternalName", L"tallyfold"},
        {L"LegalTrademarks", L""},
        {L"OriginalFilename", L"tallyfold.EXE"},
        {L"ProductName", L"tallyfold Application"},
        {L"ProductVersion", L"1, 0, 0, 1"},
    };
    for (const auto& [key, value] : strings) {
        SCOPED_TRACE(testing::Message() << key);
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
        wchar_t* text = nullptr;
        ASSERT_TRUE(
            VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &length));
        EXPECT_STREQ(text != nullptr ? text : L"(none)", value);
    }
}

}  // namespace
