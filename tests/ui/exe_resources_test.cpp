// The resources built into tolvane.exe, read back the way Windows reads them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "resource.h"

namespace {

const WORD JAPANESE = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

// Reads the little-endian fields of a resource in order.
struct Reader {
    const BYTE* base;
    const BYTE* at;

    WORD Word() { WORD w; std::memcpy(&w, at, 2); at += 2; return w; }
    DWORD Dword() { DWORD d; std::memcpy(&d, at, 4); at += 4; return d; }
    short Short() { return (short)Word(); }
    std::wstring Text()
    {
        std::wstring text;
        for (WORD c = Word(); c != 0; c = Word())
            text += (wchar_t)c;
        return text;
    }
    // A name or an ordinal; the classes of the standard controls come as ordinals.
    std::wstring NameOrOrdinal()
    {
        WORD first;
        std::memcpy(&first, at, 2);
        if (first != 0xFFFF)
            return Text();
        at += 2;
        switch (WORD ordinal = Word()) {
        case 0x81: return L"EDIT";
        case 0x83: return L"LISTBOX";
        default: return L"#" + std::to_wstring(ordinal);
        }
    }
    void Align() { at = base + ((at - base + 3) & ~3); }
};

class ResourceTest : public ::testing::Test {
protected:
    static HMODULE exe;

    static void SetUpTestSuite()
    {
        exe = LoadLibraryExA(TOLVANE_EXE, NULL, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() { FreeLibrary(exe); }

    void SetUp() override { ASSERT_TRUE(exe != NULL) << TOLVANE_EXE; }

    static Reader Load(LPCSTR type, int id, DWORD* size = nullptr)
    {
        HRSRC found = FindResourceExA(exe, type, MAKEINTRESOURCEA(id), JAPANESE);
        EXPECT_TRUE(found != NULL) << "resource " << id;
        if (size)
            *size = found ? SizeofResource(exe, found) : 0;
        const BYTE* bytes = found ? (const BYTE*)LockResource(LoadResource(exe, found)) : nullptr;
        static const BYTE nothing[64] = {};
        return Reader{bytes ? bytes : nothing, bytes ? bytes : nothing};
    }
};
HMODULE ResourceTest::exe;

using ResourceKey = std::tuple<int, int, int>;  // type, name, language

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR list)
{
    ((std::set<ResourceKey>*)list)->insert(ResourceKey(
        IS_INTRESOURCE(type) ? (int)(UINT_PTR)type : -1,
        IS_INTRESOURCE(name) ? (int)(UINT_PTR)name : -1, language));
    return TRUE;
}

BOOL CALLBACK AddName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR list)
{
    EnumResourceLanguagesA(module, type, name, AddLanguage, list);
    return TRUE;
}

BOOL CALLBACK AddType(HMODULE module, LPSTR type, LONG_PTR list)
{
    EnumResourceNamesA(module, type, AddName, list);
    return TRUE;
}

TEST_F(ResourceTest, TableHoldsExactlyTheProgramsResourcesInJapanese)
{
    std::set<ResourceKey> table;
    EnumResourceTypesA(exe, AddType, (LONG_PTR)&table);
    const std::set<ResourceKey> expected = {
        {3, 1, JAPANESE},  {3, 2, JAPANESE},          // icon images
        {14, IDI_MAIN, JAPANESE},                     // icon group
        {5, IDD_MAIN, JAPANESE},                      // dialog
        {16, 1, JAPANESE},                            // version
    };
    EXPECT_EQ(expected, table);
}

TEST_F(ResourceTest, IconHas16ColourImagesOf32And16Pixels)
{
    Reader group = Load(RT_GROUP_ICON, IDI_MAIN);
    EXPECT_EQ(0, group.Word());
    EXPECT_EQ(1, group.Word());
    ASSERT_EQ(2, group.Word());
    const struct {
        int size;
        DWORD bytes;
        int id;
    } images[] = {{32, 744, 1}, {16, 296, 2}};
    static const BYTE standardColours[16][3] = {
        {0, 0, 0},       {0x80, 0, 0},    {0, 0x80, 0},    {0x80, 0x80, 0},
        {0, 0, 0x80},    {0x80, 0, 0x80}, {0, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
        {0x80, 0x80, 0x80}, {0xFF, 0, 0}, {0, 0xFF, 0},    {0xFF, 0xFF, 0},
        {0, 0, 0xFF},    {0xFF, 0, 0xFF}, {0, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF},
    };
    for (const auto& image : images) {
        SCOPED_TRACE(image.size);
        EXPECT_EQ(image.size, group.at[0]);
        EXPECT_EQ(image.size, group.at[1]);
        EXPECT_EQ(16, group.at[2]);
        group.at += 4;
        EXPECT_EQ(1, group.Word());
        EXPECT_EQ(4, group.Word());
        EXPECT_EQ(image.bytes, group.Dword());
        EXPECT_EQ(image.id, group.Word());

        DWORD size = 0;
        Reader icon = Load(RT_ICON, image.id, &size);
        EXPECT_EQ(image.bytes, size);
        EXPECT_EQ(40u, icon.Dword());
        EXPECT_EQ((DWORD)image.size, icon.Dword());
        EXPECT_EQ((DWORD)image.size * 2, icon.Dword());  // colour image and mask
        EXPECT_EQ(1, icon.Word());
        EXPECT_EQ(4, icon.Word());
        icon.at = icon.base + 40;
        for (const BYTE* rgb : standardColours) {
            BYTE quad[4] = {rgb[2], rgb[1], rgb[0], 0};
            EXPECT_EQ(0, std::memcmp(quad, icon.at, 4));
            icon.at += 4;
        }
    }
}

TEST_F(ResourceTest, DialogTemplateLaysOutTheWindow)
{
    Reader dialog = Load(RT_DIALOG, IDD_MAIN);
    EXPECT_EQ((DWORD)(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME |
                      DS_SETFONT),
              dialog.Dword());
    EXPECT_EQ(0u, dialog.Dword());
    ASSERT_EQ(4, dialog.Word());
    EXPECT_EQ(0, dialog.Short());
    EXPECT_EQ(0, dialog.Short());
    EXPECT_EQ(334, dialog.Short());
    EXPECT_EQ(347 + 40, dialog.Short());
    EXPECT_EQ(L"", dialog.NameOrOrdinal());  // no menu
    EXPECT_EQ(L"", dialog.NameOrOrdinal());  // the dialog class
    EXPECT_EQ(L"Tolvane", dialog.Text());
    EXPECT_EQ(9, dialog.Word());
    EXPECT_EQ(L"\xFF2D\xFF33 \x30B4\x30B7\x30C3\x30AF", dialog.Text());

    const DWORD child = WS_CHILD | WS_VISIBLE | WS_BORDER;
    const struct {
        int id;
        const wchar_t* type;
        DWORD style;
        short x, y, cx, cy;
    } controls[] = {
        {IDC_API_LIST, L"LISTBOX",
         child | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, 0, 14, 333, 246},
        {IDC_DETAILS, L"EDIT", child | WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL,
         0, 260, 333, 87},
        {IDC_SEARCH, L"EDIT", child | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 333, 14},
        {IDC_DECLARATION, L"EDIT", child | WS_VSCROLL | ES_MULTILINE | ES_READONLY,
         0, 347, 333, 40},
    };
    for (const auto& control : controls) {
        SCOPED_TRACE(control.id);
        dialog.Align();
        EXPECT_EQ(control.style, dialog.Dword());
        EXPECT_EQ(0u, dialog.Dword());
        EXPECT_EQ(control.x, dialog.Short());
        EXPECT_EQ(control.y, dialog.Short());
        EXPECT_EQ(control.cx, dialog.Short());
        EXPECT_EQ(control.cy, dialog.Short());
        EXPECT_EQ(control.id, dialog.Word());
        EXPECT_EQ(control.type, dialog.NameOrOrdinal());
        EXPECT_EQ(L"", dialog.NameOrOrdinal());
        EXPECT_EQ(0, dialog.Word());  // no creation data
    }
}

// One node of a version block: key, value, children.
struct VersionNode {
    std::wstring key;
    WORD type;  // 1: text, 0: binary
    const BYTE* value;
    WORD valueLength;  // characters for text, bytes for binary
    std::vector<VersionNode> children;

    std::wstring Text() const
    {
        std::wstring text;
        for (WORD i = 0; i < valueLength && value[2 * i] | value[2 * i + 1]; ++i)
            text += (wchar_t)(value[2 * i] | value[2 * i + 1] << 8);
        return text;
    }
};

VersionNode ReadVersionNode(Reader& in)
{
    const BYTE* start = in.at;
    WORD length = in.Word();
    VersionNode node;
    node.valueLength = in.Word();
    node.type = in.Word();
    node.key = in.Text();
    in.Align();
    node.value = in.at;
    in.at += node.type == 1 ? node.valueLength * 2 : node.valueLength;
    in.Align();
    while (in.at < start + length) {
        node.children.push_back(ReadVersionNode(in));
        in.Align();
    }
    in.at = start + length;
    return node;
}

TEST_F(ResourceTest, VersionBlockDescribesTolvane)
{
    Reader block = Load(RT_VERSION, 1);
    VersionNode root = ReadVersionNode(block);
    EXPECT_EQ(L"VS_VERSION_INFO", root.key);
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), root.valueLength);
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, root.value, sizeof fixed);
    const DWORD expectedFixed[] = {
        0xFEEF04BD, 0x10000,             // signature, structure version
        0x00010003, 0, 0x00010003, 0,  // file and product version 1.3.0.0
        0x3F, 0, 0x40004, 1, 0,        // flags mask, flags, OS, type, subtype
        0, 0,                          // date
    };
    static_assert(sizeof expectedFixed == sizeof fixed, "every field");
    for (size_t i = 0; i < 13; ++i)
        EXPECT_EQ(expectedFixed[i], ((const DWORD*)&fixed)[i]) << "field " << i;

    ASSERT_EQ(2u, root.children.size());
    const VersionNode& strings = root.children[0];
    EXPECT_EQ(L"StringFileInfo", strings.key);
    ASSERT_EQ(1u, strings.children.size());
    EXPECT_EQ(L"041104b0", strings.children[0].key);
    std::vector<std::pair<std::wstring, std::wstring>> values;
    for (const VersionNode& value : strings.children[0].children)
        values.emplace_back(value.key, value.Text());
    const std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L"Comments", L"OSのバージョンによるAPIの対応状況を調べることができます"},
        {L"CompanyName", L"The Tolvane developers"},
        {L"FileDescription", L"Tolvane — Win32 API lookup"},
        {L"FileVersion", L"1, 3, 0, 0"},
        {L"InternalName", L"tolvane"},
        {L"LegalCopyright", L"Copyright (C) 2026 The Tolvane developers"},
        {L"LegalTrademarks", L"Tolvane is a name of the Tolvane developers"},
        {L"OriginalFilename", L"tolvane.exe"},
        {L"PrivateBuild", L""},
        {L"ProductName", L"Tolvane"},
        {L"ProductVersion", L"1, 3, 0, 0"},
        {L"SpecialBuild", L""},
    };
    EXPECT_EQ(expected, values);

    const VersionNode& vars = root.children[1];
    EXPECT_EQ(L"VarFileInfo", vars.key);
    ASSERT_EQ(1u, vars.children.size());
    EXPECT_EQ(L"Translation", vars.children[0].key);
    ASSERT_EQ(4, vars.children[0].valueLength);
    const BYTE translation[4] = {0x11, 0x04, 0xB0, 0x04};
    EXPECT_EQ(0, std::memcmp(translation, vars.children[0].value, 4));
}

}  // namespace
