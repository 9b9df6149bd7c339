// gen-catalogue: builds Tolvane's function catalogue (data/win32api.tsv) from
// the mingw-w64 headers and i686 import libraries.
//
// The import libraries say which functions a DLL exports; the headers say
// where each is declared, how, and from which _WIN32_WINNT / _WIN32_IE level
// on. The headers are parsed with libclang once per level and the lowest
// level that declares a function is the one reported.

#include "import_archive.h"

#include <clang-c/Index.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifndef GEN_CATALOGUE_CLANG_INCLUDE
#define GEN_CATALOGUE_CLANG_INCLUDE "/usr/lib/llvm-14/lib/clang/14.0.6/include"
#endif

namespace {

// How a library's functions get a DLL version from the _WIN32_IE guards.
enum class IeVersioning { None, Shell, CommonControls };

struct Library {
    const char* name;  // libNAME.a, NAME.lib
    IeVersioning ie;
};

// Priority order: a function exported by several libraries belongs to the
// first, and when the catalogue would pass its row limit the libraries at
// the end are dropped first.
const Library kLibraries[] = {
    {"kernel32", IeVersioning::None},       {"user32", IeVersioning::None},
    {"gdi32", IeVersioning::None},          {"advapi32", IeVersioning::None},
    {"shell32", IeVersioning::Shell},       {"comctl32", IeVersioning::CommonControls},
    {"comdlg32", IeVersioning::None},       {"ole32", IeVersioning::None},
    {"oleaut32", IeVersioning::None},       {"version", IeVersioning::None},
    {"winmm", IeVersioning::None},          {"ws2_32", IeVersioning::None},
    {"shlwapi", IeVersioning::Shell},       {"winspool", IeVersioning::None},
    {"imm32", IeVersioning::None},          {"mpr", IeVersioning::None},
    {"psapi", IeVersioning::None},          {"msimg32", IeVersioning::None},
    {"uxtheme", IeVersioning::None},        {"dwmapi", IeVersioning::None},
    {"userenv", IeVersioning::None},        {"secur32", IeVersioning::None},
    {"crypt32", IeVersioning::None},        {"wininet", IeVersioning::None},
    {"iphlpapi", IeVersioning::None},       {"cfgmgr32", IeVersioning::None},  // CM_*, also in setupapi
    {"setupapi", IeVersioning::None},
    {"netapi32", IeVersioning::None},       {"dbghelp", IeVersioning::None},
    {"opengl32", IeVersioning::None},       {"wtsapi32", IeVersioning::None},
    {"powrprof", IeVersioning::None},       {"credui", IeVersioning::None},
    {"wintrust", IeVersioning::None},       {"bcrypt", IeVersioning::None},
    {"ncrypt", IeVersioning::None},         {"pdh", IeVersioning::None},
    {"shcore", IeVersioning::None},         {"avrt", IeVersioning::None},
    {"msvfw32", IeVersioning::None},        {"avifil32", IeVersioning::None},
    {"msi", IeVersioning::None},            {"odbc32", IeVersioning::None},
};
constexpr size_t kLibraryCount = sizeof(kLibraries) / sizeof(kLibraries[0]);

// winsock2.h must come before windows.h, which would otherwise pull in the
// old winsock.h.
const char* const kHeaders[] = {
    "winsock2.h", "ws2tcpip.h", "windows.h", "commctrl.h", "commdlg.h", "shellapi.h",
    "shlobj.h",   "shlwapi.h",  "mmsystem.h", "winver.h",  "winspool.h", "imm.h",
    "winnetwk.h", "ole2.h",     "oleauto.h", "psapi.h",   "tlhelp32.h", "uxtheme.h",
    "dwmapi.h",   "userenv.h",  "security.h", "wincrypt.h", "wininet.h", "iphlpapi.h",
    "setupapi.h", "lm.h",       "dbghelp.h", "wtsapi32.h", "powrprof.h", "wincred.h", "wintrust.h",
    "softpub.h",  "bcrypt.h",   "ncrypt.h",  "pdh.h",     "shellscalingapi.h", "avrt.h", "vfw.h",
    "msi.h",      "sql.h",      "sqlext.h",  "cfgmgr32.h",
};

struct NtLevel {
    unsigned value;
    const char* windowsNt;  // the catalogue's "windowsNt" field
    const char* unicode;    // completes "...Unicode and ANSI versions on Windows "
};

const NtLevel kNtLevels[] = {
    {0x0400, "Yes", "NT and later"},
    {0x0500, "5.0 (2000) or later", "2000 and later"},
    {0x0501, "5.1 (XP) or later", "XP and later"},
    {0x0502, "5.2 (Server 2003) or later", "Server 2003 and later"},
    {0x0600, "6.0 (Vista) or later", "Vista and later"},
    {0x0601, "6.1 (7) or later", "7 and later"},
    {0x0602, "6.2 (8) or later", "8 and later"},
    {0x0603, "6.3 (8.1) or later", "8.1 and later"},
    {0x0A00, "10 or later", "10 and later"},
};
constexpr size_t kNtLevelCount = sizeof(kNtLevels) / sizeof(kNtLevels[0]);

struct IeLevel {
    unsigned value;
    const char* shell;           // shell32 / shlwapi version
    const char* commonControls;  // comctl32 version
};

// The first level is the floor: a function it declares gets no version.
const IeLevel kIeLevels[] = {
    {0x0300, "4.70 or later", "4.70 or later"}, {0x0400, "4.71 or later", "4.71 or later"},
    {0x0401, "4.72 or later", "4.72 or later"}, {0x0500, "5.0 or later", "5.80 or later"},
    {0x0501, "5.0 or later", "5.81 or later"},  {0x0600, "6.0 or later", "6.0 or later"},
};
constexpr size_t kIeLevelCount = sizeof(kIeLevels) / sizeof(kIeLevels[0]);
constexpr unsigned kHighestIe = 0x0A00;

constexpr size_t kMaxRows = 6000;
constexpr size_t kMaxName = 99;
constexpr size_t kMaxDeclaration = 799;
constexpr size_t kMaxAttributes = 300;  // nine attribute fields, each with a NUL

struct Options {
    std::string include = "/usr/share/mingw-w64/include";
    std::string lib = "/usr/i686-w64-mingw32/lib";
    std::string out;
};

struct Declared {
    std::string header;       // basename of the file the declaration stands in
    std::string declaration;  // one line, ends in ';'
    bool definition = false;
};

struct Function {
    size_t library = 0;  // index into kLibraries
    int ntLevel = -1;    // index into kNtLevels, -1: never declared
    int ieLevel = -1;    // index into kIeLevels, -1: not versioned
    Declared declared;   // from the highest level that declares it
};

bool fileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string cxString(CXString s) {
    const char* c = clang_getCString(s);
    std::string out = c ? c : "";
    clang_disposeString(s);
    return out;
}

std::string hex(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", v);
    return buf;
}

std::string translationUnitText(unsigned winnt, unsigned ie) {
    std::string text;
    text += "#define WINVER " + hex(winnt) + "\n";
    text += "#define _WIN32_WINNT " + hex(winnt) + "\n";
    text += "#define _WIN32_IE " + hex(ie) + "\n";
    text += "#define NTDDI_VERSION " + hex(winnt) + "0000\n";
    text += "#define SECURITY_WIN32\n";  // security.h refuses to compile without a flavour
    for (const char* h : kHeaders) text += std::string("#include <") + h + ">\n";
    return text;
}

// Whether a token at this file offset lies inside a block the preprocessor skipped.
bool inSkippedRange(const CXSourceRangeList* skipped, unsigned offset) {
    for (unsigned i = 0; skipped && i < skipped->count; ++i) {
        unsigned begin, end;
        clang_getSpellingLocation(clang_getRangeStart(skipped->ranges[i]), nullptr, nullptr, nullptr, &begin);
        clang_getSpellingLocation(clang_getRangeEnd(skipped->ranges[i]), nullptr, nullptr, nullptr, &end);
        if (offset >= begin && offset <= end) return true;
    }
    return false;
}

bool isIdentifierLike(const std::string& t) {
    return !t.empty() && (std::isalpha(static_cast<unsigned char>(t[0])) || t[0] == '_');
}

// Joins tokens the way the headers are usually written: "f(a, b);".
std::string joinTokens(const std::vector<std::string>& tokens) {
    std::string out;
    std::string previous;
    for (const std::string& t : tokens) {
        bool space = !out.empty();
        if (t == "," || t == ")" || t == ";" || t == "[" || t == "]") space = false;
        if (previous == "(" || previous == "[" || previous == "*") space = false;
        if (t == "(" && (previous == ")" || isIdentifierLike(previous))) space = false;
        if (space) out += ' ';
        out += t;
        previous = t;
    }
    return out;
}

// The declaration as the header spells it: the tokens of the cursor's
// extent, minus preprocessor lines and skipped branches, minus any body.
std::string declarationText(CXTranslationUnit tu, CXCursor cursor, const std::string& name) {
    // The extent usually starts inside a macro (WINBASEAPI); tokenize the
    // file text it was expanded from instead.
    CXSourceRange raw = clang_getCursorExtent(cursor);
    CXFile startFile, endFile, nameFile;
    unsigned startOffset, endOffset, nameOffset;
    clang_getExpansionLocation(clang_getRangeStart(raw), &startFile, nullptr, nullptr, &startOffset);
    clang_getExpansionLocation(clang_getRangeEnd(raw), &endFile, nullptr, nullptr, &endOffset);
    clang_getExpansionLocation(clang_getCursorLocation(cursor), &nameFile, nullptr, nullptr, &nameOffset);
    if (!startFile || !clang_File_isEqual(startFile, endFile)) return "";
    CXSourceRange extent = clang_getRange(clang_getLocationForOffset(tu, startFile, startOffset),
                                          clang_getLocationForOffset(tu, endFile, endOffset));
    CXToken* tokens = nullptr;
    unsigned count = 0;
    clang_tokenize(tu, extent, &tokens, &count);

    bool hasDirective = false;
    for (unsigned i = 0; i < count; ++i) {
        if (clang_getTokenKind(tokens[i]) == CXToken_Punctuation &&
            cxString(clang_getTokenSpelling(tu, tokens[i])) == "#")
            hasDirective = true;
    }
    CXSourceRangeList* skipped = nullptr;
    if (hasDirective) {
        CXFile file;
        clang_getSpellingLocation(clang_getRangeStart(extent), &file, nullptr, nullptr, nullptr);
        skipped = clang_getSkippedRanges(tu, file);
    }

    std::vector<std::string> words;
    unsigned directiveLine = 0;
    for (unsigned i = 0; i < count; ++i) {
        CXTokenKind kind = clang_getTokenKind(tokens[i]);
        if (kind == CXToken_Comment) continue;
        std::string spelling = cxString(clang_getTokenSpelling(tu, tokens[i]));
        if (hasDirective) {
            unsigned line, offset;
            clang_getSpellingLocation(clang_getTokenLocation(tu, tokens[i]), nullptr, &line, nullptr, &offset);
            if (kind == CXToken_Punctuation && spelling == "#") directiveLine = line;
            if (line == directiveLine || inSkippedRange(skipped, offset)) continue;
        }
        if (kind == CXToken_Punctuation && spelling == "{") break;  // an inline body
        // psapi.h writes "EnumProcesses" and a macro makes it K32EnumProcesses:
        // the line must declare the function the row names.
        if (kind == CXToken_Identifier && spelling != name && clang_File_isEqual(nameFile, startFile)) {
            unsigned offset;
            clang_getSpellingLocation(clang_getTokenLocation(tu, tokens[i]), nullptr, nullptr, nullptr, &offset);
            if (offset == nameOffset) spelling = name;
        }
        words.push_back(spelling);
    }
    if (skipped) clang_disposeSourceRangeList(skipped);
    clang_disposeTokens(tu, tokens, count);
    if (!words.empty() && words.back() == ";") words.pop_back();
    words.push_back(";");
    return joinTokens(words);
}

struct VisitContext {
    CXTranslationUnit tu;
    const std::map<std::string, Function>* wanted;
    bool details;
    std::map<std::string, Declared>* found;
};

CXChildVisitResult visitTopLevel(CXCursor cursor, CXCursor, CXClientData data) {
    auto* ctx = static_cast<VisitContext*>(data);
    if (clang_getCursorKind(cursor) != CXCursor_FunctionDecl) return CXChildVisit_Continue;
    std::string name = cxString(clang_getCursorSpelling(cursor));
    if (!ctx->wanted->count(name)) return CXChildVisit_Continue;
    CXFile file;
    clang_getExpansionLocation(clang_getCursorLocation(cursor), &file, nullptr, nullptr, nullptr);
    if (!file) return CXChildVisit_Continue;  // implicit builtin

    bool definition = clang_isCursorDefinition(cursor) != 0;
    auto it = ctx->found->find(name);
    // Keep the first plain declaration; an inline definition only if there is none.
    if (it != ctx->found->end() && !(it->second.definition && !definition)) return CXChildVisit_Continue;
    Declared d;
    d.definition = definition;
    if (ctx->details) {
        std::string path = cxString(clang_getFileName(file));
        size_t slash = path.find_last_of('/');
        d.header = slash == std::string::npos ? path : path.substr(slash + 1);
        d.declaration = declarationText(ctx->tu, cursor, name);
    }
    (*ctx->found)[name] = d;
    return CXChildVisit_Continue;
}

// Parses the headers at one version level and returns the wanted functions
// they declare. Any error diagnostic fails the run: a half-parsed level
// would silently move functions to later versions.
bool parseLevel(CXIndex index, const Options& opt, unsigned winnt, unsigned ie,
                const std::map<std::string, Function>& wanted, bool details,
                std::map<std::string, Declared>& found, std::string& error) {
    const std::string builtin = GEN_CATALOGUE_CLANG_INCLUDE;
    const std::string text = translationUnitText(winnt, ie);
    const char* fileName = "tolvane-catalogue.c";
    std::vector<const char*> args = {"-x", "c", "-std=gnu11", "-target", "i686-w64-mingw32", "-nostdinc",
                                     "-isystem", builtin.c_str(), "-isystem", opt.include.c_str(),
                                     "-fms-extensions", "-w"};
    CXUnsavedFile unsaved = {fileName, text.c_str(), static_cast<unsigned long>(text.size())};
    unsigned flags = CXTranslationUnit_SkipFunctionBodies;
    if (details) flags |= CXTranslationUnit_DetailedPreprocessingRecord;  // for skipped ranges
    CXTranslationUnit tu = nullptr;
    CXErrorCode rc = clang_parseTranslationUnit2(index, fileName, args.data(), int(args.size()), &unsaved, 1,
                                                 flags, &tu);
    std::string level = "_WIN32_WINNT=" + hex(winnt) + " _WIN32_IE=" + hex(ie);
    if (rc != CXError_Success || !tu) {
        error = "libclang could not parse the headers at " + level + " (error code " + std::to_string(rc) + ")";
        return false;
    }
    for (unsigned i = 0, n = clang_getNumDiagnostics(tu); i < n; ++i) {
        CXDiagnostic diag = clang_getDiagnostic(tu, i);
        CXDiagnosticSeverity severity = clang_getDiagnosticSeverity(diag);
        if (severity >= CXDiagnostic_Error) {
            error = "headers do not parse at " + level + ": " +
                    cxString(clang_formatDiagnostic(diag, clang_defaultDiagnosticDisplayOptions()));
            clang_disposeDiagnostic(diag);
            clang_disposeTranslationUnit(tu);
            return false;
        }
        clang_disposeDiagnostic(diag);
    }
    VisitContext ctx{tu, &wanted, details, &found};
    clang_visitChildren(clang_getTranslationUnitCursor(tu), visitTopLevel, &ctx);
    clang_disposeTranslationUnit(tu);
    return true;
}

bool lessCaseInsensitive(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = std::tolower(static_cast<unsigned char>(a[i]));
        int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

// Fields must not carry the TSV's own separators.
std::string clean(std::string s) {
    for (char& c : s)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return s;
}

bool parseArguments(int argc, char** argv, Options& opt, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string* target = arg == "--include" ? &opt.include
                              : arg == "--lib"   ? &opt.lib
                              : arg == "--out"   ? &opt.out
                                                 : nullptr;
        if (!target) {
            error = "unknown argument '" + arg + "' (usage: gen-catalogue [--include DIR] [--lib DIR] --out FILE)";
            return false;
        }
        if (i + 1 >= argc) {
            error = arg + " needs a value";
            return false;
        }
        *target = argv[++i];
    }
    if (opt.out.empty()) {
        error = "--out FILE is required (usage: gen-catalogue [--include DIR] [--lib DIR] --out FILE)";
        return false;
    }
    return true;
}

int fail(const std::string& message) {
    std::cerr << "gen-catalogue: " << message << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    std::string error;
    if (!parseArguments(argc, argv, opt, error)) return fail(error);
    if (!fileExists(opt.include + "/windows.h")) return fail("no windows.h in include directory " + opt.include);
    if (!fileExists(std::string(GEN_CATALOGUE_CLANG_INCLUDE) + "/stddef.h"))
        return fail("clang's builtin headers not found at " GEN_CATALOGUE_CLANG_INCLUDE);

    // Exports: each name belongs to the first library that exports it.
    std::vector<std::string> dlls(kLibraryCount);
    std::map<std::string, Function> functions;
    for (size_t i = 0; i < kLibraryCount; ++i) {
        ImportArchive archive;
        std::string path = opt.lib + "/lib" + kLibraries[i].name + ".a";
        if (!readImportArchive(path, archive, error)) return fail(error);
        dlls[i] = archive.dll;
        for (const std::string& name : archive.functions)
            if (name.size() <= kMaxName && !functions.count(name)) functions[name].library = i;
    }

    CXIndex index = clang_createIndex(0, 0);
    for (size_t level = 0; level < kNtLevelCount; ++level) {
        std::map<std::string, Declared> found;
        if (!parseLevel(index, opt, kNtLevels[level].value, kHighestIe, functions, true, found, error)) {
            clang_disposeIndex(index);
            return fail(error);
        }
        for (auto& [name, declared] : found) {
            Function& f = functions[name];
            if (f.ntLevel < 0) f.ntLevel = int(level);
            f.declared = declared;
        }
    }
    std::map<std::string, Function> versioned;
    for (const auto& [name, f] : functions)
        if (kLibraries[f.library].ie != IeVersioning::None && f.ntLevel >= 0) versioned[name] = f;
    for (size_t level = 0; level < kIeLevelCount; ++level) {
        std::map<std::string, Declared> found;
        if (!parseLevel(index, opt, kNtLevels[kNtLevelCount - 1].value, kIeLevels[level].value, versioned, false,
                        found, error)) {
            clang_disposeIndex(index);
            return fail(error);
        }
        for (const auto& entry : found) {
            Function& f = functions[entry.first];
            if (f.ieLevel < 0) f.ieLevel = int(level);
        }
    }
    clang_disposeIndex(index);

    // Rows: declared functions, an A/W pair folded into its A form.
    struct Row {
        std::string name;
        size_t library;
        std::vector<std::string> fields;  // all eleven
    };
    std::vector<Row> rows;
    std::vector<std::string> ieBeyondLevels;
    size_t longDeclarations = 0;
    for (const auto& [name, f] : functions) {
        if (f.ntLevel < 0) continue;
        auto twin = [&](char from, char to) -> const Function* {
            if (name.size() < 2 || name.back() != from) return nullptr;
            auto it = functions.find(name.substr(0, name.size() - 1) + to);
            if (it == functions.end() || it->second.ntLevel < 0 || it->second.library != f.library) return nullptr;
            return &it->second;
        };
        if (twin('W', 'A')) continue;  // the A row speaks for it
        std::string unicode;
        if (const Function* wide = twin('A', 'W')) unicode = kNtLevels[std::max(f.ntLevel, wide->ntLevel)].unicode;

        std::string componentVersion;
        IeVersioning ie = kLibraries[f.library].ie;
        if (ie != IeVersioning::None) {
            if (f.ieLevel > 0)
                componentVersion = ie == IeVersioning::Shell ? kIeLevels[f.ieLevel].shell
                                                             : kIeLevels[f.ieLevel].commonControls;
            else if (f.ieLevel < 0)
                ieBeyondLevels.push_back(name);  // needs a _WIN32_IE above the known DLL versions: claim nothing
        }
        std::string declaration = clean(f.declared.declaration);
        if (declaration.size() > kMaxDeclaration) {
            // Never cut a prototype mid-way; the row still carries everything else.
            std::cerr << "gen-catalogue: note: declaration of " << name << " is " << declaration.size()
                      << " bytes, left empty\n";
            declaration.clear();
            ++longDeclarations;
        }
        std::vector<std::string> fields = {
            name, kNtLevels[f.ntLevel].windowsNt, "", "", "", dlls[f.library], componentVersion,
            clean(f.declared.header), std::string(kLibraries[f.library].name) + ".lib", unicode, declaration};
        size_t attributes = 0;
        for (size_t i = 1; i <= 9; ++i) attributes += fields[i].size() + 1;
        if (attributes > kMaxAttributes) {
            std::cerr << "gen-catalogue: note: skipping " << name << ": attribute fields too long\n";
            continue;
        }
        rows.push_back({name, f.library, std::move(fields)});
    }

    // Over the limit: drop whole libraries from the low-priority end.
    std::vector<size_t> perLibrary(kLibraryCount, 0);
    for (const Row& r : rows) ++perLibrary[r.library];
    size_t keptLibraries = kLibraryCount;
    while (rows.size() > kMaxRows && keptLibraries > 1) {
        --keptLibraries;
        std::cerr << "gen-catalogue: dropping " << kLibraries[keptLibraries].name << ".lib (" << perLibrary[keptLibraries]
                  << " rows) to stay within " << kMaxRows << " rows\n";
        rows.erase(std::remove_if(rows.begin(), rows.end(), [&](const Row& r) { return r.library == keptLibraries; }),
                   rows.end());
        perLibrary[keptLibraries] = 0;
    }
    if (rows.size() > kMaxRows) return fail("even " + std::string(kLibraries[0].name) + " alone exceeds the row limit");

    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return lessCaseInsensitive(a.name, b.name); });

    std::string tmp = opt.out + ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return fail("cannot write " + tmp);
        out << "name\twindowsNt\twindows\twindowsCe\twin32s\tcomponent\tcomponentVersion\theaderFile\t"
               "importLibrary\tunicode\tdeclaration\n";
        for (const Row& r : rows) {
            for (size_t i = 0; i < r.fields.size(); ++i) out << (i ? "\t" : "") << r.fields[i];
            out << "\n";
        }
        out.flush();
        if (!out) {
            out.close();
            std::remove(tmp.c_str());
            return fail("write to " + tmp + " failed");
        }
    }
    if (std::rename(tmp.c_str(), opt.out.c_str()) != 0) {
        std::string why = std::strerror(errno);
        std::remove(tmp.c_str());
        return fail("cannot rename " + tmp + " to " + opt.out + ": " + why);
    }

    for (size_t i = 0; i < kLibraryCount; ++i)
        if (perLibrary[i]) std::cerr << kLibraries[i].name << ".lib\t" << perLibrary[i] << "\n";
    std::cerr << "total\t" << rows.size() << "\n";
    if (!ieBeyondLevels.empty()) {
        std::cerr << "note: componentVersion left empty for " << ieBeyondLevels.size()
                  << " functions that need _WIN32_IE above " << hex(kIeLevels[kIeLevelCount - 1].value) << ":";
        for (const std::string& name : ieBeyondLevels) std::cerr << " " << name;
        std::cerr << "\n";
    }
    if (longDeclarations) std::cerr << "note: " << longDeclarations << " declarations over 799 bytes left empty\n";
    return 0;
}
