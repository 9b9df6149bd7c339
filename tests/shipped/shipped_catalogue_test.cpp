// Checks the shipped catalogue (data/win32api.tsv, made by gen-catalogue)
// against facts Microsoft's documentation states, and against the limits
// the catalogue loader enforces.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#ifndef TOLVANE_SHIPPED_TSV
#error "TOLVANE_SHIPPED_TSV must name the catalogue file"
#endif

namespace {

using Row = std::vector<std::string>;

enum Field { Name, WindowsNt, Windows, WindowsCe, Win32s, Component, ComponentVersion, HeaderFile, ImportLibrary,
             Unicode, Declaration, FieldCount };

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// The file's lines; the last line ends in LF, so the final empty piece is dropped.
const std::vector<std::string>& lines() {
    static const std::vector<std::string> all = [] {
        std::ifstream in(TOLVANE_SHIPPED_TSV, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<std::string> parts = split(text, '\n');
        if (!parts.empty() && parts.back().empty()) parts.pop_back();
        return parts;
    }();
    return all;
}

const std::map<std::string, Row>& rowsByName() {
    static const std::map<std::string, Row> rows = [] {
        std::map<std::string, Row> m;
        for (size_t i = 1; i < lines().size(); ++i) {
            Row r = split(lines()[i], '\t');
            m[r[Name]] = r;
        }
        return m;
    }();
    return rows;
}

std::string folded(const std::string& s) {
    std::string out = s;
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

TEST(ShippedCatalogue, HeaderLineAndRowLimits) {
    ASSERT_GE(lines().size(), 2u) << "cannot read " << TOLVANE_SHIPPED_TSV;
    EXPECT_EQ(lines()[0],
              "name\twindowsNt\twindows\twindowsCe\twin32s\tcomponent\tcomponentVersion\theaderFile\t"
              "importLibrary\tunicode\tdeclaration");
    size_t rows = lines().size() - 1;
    EXPECT_LE(rows, 6000u);
    EXPECT_GE(rows, 3000u) << "the catalogue should cover thousands of functions";

    for (size_t i = 1; i < lines().size(); ++i) {
        const std::string& line = lines()[i];
        SCOPED_TRACE("line " + std::to_string(i + 1) + ": " + line.substr(0, 60));
        EXPECT_EQ(line.find('\r'), std::string::npos);
        Row r = split(line, '\t');
        ASSERT_EQ(r.size(), size_t(FieldCount));
        EXPECT_FALSE(r[Name].empty());
        EXPECT_LE(r[Name].size(), 99u);
        size_t attributes = 0;
        for (int f = WindowsNt; f <= Unicode; ++f) attributes += r[f].size() + 1;
        EXPECT_LE(attributes, 300u);
        EXPECT_LE(r[Declaration].size(), 799u);
        // A prototype of the very function the row names, whole.
        if (!r[Declaration].empty()) {
            EXPECT_NE(r[Declaration].find(r[Name] + "("), std::string::npos) << r[Declaration];
            EXPECT_EQ(r[Declaration].back(), ';');
        }
        if (i > 1) {
            const std::string previous = lines()[i - 1].substr(0, lines()[i - 1].find('\t'));
            const std::string& name = r[Name];
            bool ordered = folded(previous) < folded(name) || (folded(previous) == folded(name) && previous < name);
            EXPECT_TRUE(ordered) << previous << " before " << name;
        }
    }
}

TEST(ShippedCatalogue, UnicodeTwinIsFoldedIntoTheAnsiRow) {
    const auto& rows = rowsByName();
    ASSERT_TRUE(rows.count("CreateFileA"));
    EXPECT_FALSE(rows.at("CreateFileA")[Unicode].empty());
    EXPECT_EQ(rows.count("CreateFileW"), 0u);
    EXPECT_EQ(rows.count("MessageBoxW"), 0u);
}

struct Documented {
    const char* name;
    std::vector<std::string> headers;  // any one of these
    const char* importLibrary;
    const char* dll;
    const char* windowsNt;  // nullptr: not checked
};

// Header, library and DLL as Microsoft documents them. Where mingw-w64
// declares a function in a different header than the documentation names,
// the mingw header is what the catalogue can prove, and the comment says so.
const Documented kDocumented[] = {
    {"CreateFileA", {"fileapi.h"}, "kernel32.lib", "kernel32.dll", nullptr},
    {"GetWindowTextA", {"winuser.h"}, "user32.lib", "user32.dll", nullptr},
    {"GlobalAlloc", {"winbase.h"}, "kernel32.lib", "kernel32.dll", nullptr},
    {"MessageBoxA", {"winuser.h"}, "user32.lib", "user32.dll", nullptr},
    {"RegOpenKeyExA", {"winreg.h"}, "advapi32.lib", "advapi32.dll", nullptr},
    {"CreateDialogParamA", {"winuser.h"}, "user32.lib", "user32.dll", nullptr},
    {"GetModuleFileNameA", {"libloaderapi.h"}, "kernel32.lib", "kernel32.dll", nullptr},
    // Newer docs say shlobj_core.h; mingw-w64 has no such header and declares it in shlobj.h.
    {"SHGetFolderPathA", {"shlobj.h", "shlobj_core.h"}, "shell32.lib", "shell32.dll", nullptr},
    {"InitCommonControlsEx", {"commctrl.h"}, "comctl32.lib", "comctl32.dll", nullptr},
    // Documented in winsock.h; the catalogue reads winsock2.h, which declares it too.
    {"WSAStartup", {"winsock.h", "winsock2.h"}, "ws2_32.lib", "ws2_32.dll", nullptr},
    {"GetOpenFileNameA", {"commdlg.h"}, "comdlg32.lib", "comdlg32.dll", nullptr},
    // Newer docs say playsoundapi.h; mingw-w64 declares it in mmsystem.h.
    {"PlaySoundA", {"mmsystem.h", "playsoundapi.h"}, "winmm.lib", "winmm.dll", nullptr},
    // Docs say timeapi.h; mingw-w64's timeapi.h only includes mmsystem.h, which declares it.
    {"timeGetTime", {"mmsystem.h"}, "winmm.lib", "winmm.dll", nullptr},
    {"VariantInit", {"oleauto.h"}, "oleaut32.lib", "oleaut32.dll", nullptr},
    {"CoCreateInstance", {"combaseapi.h"}, "ole32.lib", "ole32.dll", nullptr},
    {"GetFileVersionInfoA", {"winver.h"}, "version.lib", "version.dll", nullptr},
    {"ShellExecuteA", {"shellapi.h"}, "shell32.lib", "shell32.dll", nullptr},
    {"CreateCompatibleDC", {"wingdi.h"}, "gdi32.lib", "gdi32.dll", nullptr},
    {"PathFileExistsA", {"shlwapi.h"}, "shlwapi.lib", "shlwapi.dll", nullptr},
    // The print spooler's DLL is a .drv, not a .dll.
    {"OpenPrinterA", {"winspool.h"}, "winspool.lib", "winspool.drv", nullptr},
    {"WNetAddConnection2A", {"winnetwk.h"}, "mpr.lib", "mpr.dll", nullptr},
    {"ImmGetContext", {"imm.h"}, "imm32.lib", "imm32.dll", nullptr},
    {"CryptAcquireContextA", {"wincrypt.h"}, "advapi32.lib", "advapi32.dll", nullptr},
    {"AlphaBlend", {"wingdi.h"}, "msimg32.lib", "msimg32.dll", nullptr},
    {"GetTickCount64", {"sysinfoapi.h"}, "kernel32.lib", "kernel32.dll", "6.0 (Vista) or later"},
    {"TaskDialogIndirect", {"commctrl.h"}, "comctl32.lib", "comctl32.dll", "6.0 (Vista) or later"},
    // Newer docs say shlobj_core.h; mingw-w64 declares it in shlobj.h.
    {"SHGetKnownFolderPath", {"shlobj.h", "shlobj_core.h"}, "shell32.lib", "shell32.dll", "6.0 (Vista) or later"},
    {"SetProcessDpiAwareness", {"shellscalingapi.h"}, "shcore.lib", "shcore.dll", "6.3 (8.1) or later"},
};

TEST(ShippedCatalogue, MatchesMicrosoftDocumentation) {
    const auto& rows = rowsByName();
    for (const Documented& d : kDocumented) {
        SCOPED_TRACE(d.name);
        auto it = rows.find(d.name);
        ASSERT_NE(it, rows.end()) << d.name << " missing from the catalogue";
        const Row& r = it->second;
        EXPECT_NE(std::find(d.headers.begin(), d.headers.end(), r[HeaderFile]), d.headers.end())
            << "header is " << r[HeaderFile];
        EXPECT_EQ(r[ImportLibrary], d.importLibrary);
        EXPECT_EQ(r[Component], d.dll);
        if (d.windowsNt) {
            EXPECT_EQ(r[WindowsNt], d.windowsNt);
        }
    }
}

}  // namespace
