// Import libraries come in two shapes: GNU dlltool archives, where every
// export is a tiny COFF object and the DLL name sits in the .idata$7 section
// of the "tail" object that defines the *_iname symbol, and Microsoft-style
// short import members, which carry the symbol and DLL name in plain text.
// Both are handled; the symbol list comes from the archive index when there
// is one and from the members themselves otherwise.

#include "import_archive.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

namespace {

using Bytes = std::vector<unsigned char>;

struct Member {
    std::string name;  // raw header name, trailing blanks removed
    size_t offset;     // of the member header, as the index stores it
    size_t dataOffset;
    size_t size;
};

uint32_t be32(const unsigned char* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

uint64_t be64(const unsigned char* p) {
    return (uint64_t(be32(p)) << 32) | be32(p + 4);
}

uint16_t le16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }

uint32_t le32(const unsigned char* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// NUL-terminated string starting at data[pos], never reading past `end`.
std::string cString(const Bytes& data, size_t pos, size_t end) {
    std::string s;
    while (pos < end && data[pos] != 0) s += char(data[pos++]);
    return s;
}

bool splitMembers(const Bytes& data, std::vector<Member>& members, std::string& error) {
    static const char magic[] = "!<arch>\n";
    if (data.size() < 8 || std::memcmp(data.data(), magic, 8) != 0) {
        error = "not an ar archive (bad magic)";
        return false;
    }
    size_t pos = 8;
    while (pos + 60 <= data.size()) {
        const unsigned char* h = data.data() + pos;
        if (h[58] != '`' || h[59] != '\n') {
            error = "corrupt member header at offset " + std::to_string(pos);
            return false;
        }
        std::string name(reinterpret_cast<const char*>(h), 16);
        name.erase(name.find_last_not_of(' ') + 1);
        std::string sizeText(reinterpret_cast<const char*>(h + 48), 10);
        size_t size = 0;
        for (char c : sizeText) {
            if (c == ' ') break;
            if (c < '0' || c > '9') {
                error = "bad member size at offset " + std::to_string(pos);
                return false;
            }
            size = size * 10 + size_t(c - '0');
        }
        size_t dataOffset = pos + 60;
        if (size > data.size() - dataOffset) {
            error = "member at offset " + std::to_string(pos) + " runs past the end of the file";
            return false;
        }
        // BSD archives keep long names in front of the data.
        if (name.compare(0, 3, "#1/") == 0) {
            size_t nameLength = size_t(std::strtoul(name.c_str() + 3, nullptr, 10));
            if (nameLength > size) {
                error = "bad BSD member name at offset " + std::to_string(pos);
                return false;
            }
            name = cString(data, dataOffset, dataOffset + nameLength);
            dataOffset += nameLength;
            size -= nameLength;
        }
        members.push_back({name, pos, dataOffset, size});
        pos = dataOffset + size;
        if (pos % 2) ++pos;
    }
    return true;
}

// Symbols of the archive index ("/" or "/SYM64/"); false when there is none
// we can read, so the caller falls back to the members.
bool readIndex(const Bytes& data, const std::vector<Member>& members, std::vector<std::string>& symbols) {
    for (const Member& m : members) {
        size_t width = m.name == "/" ? 4 : m.name == "/SYM64/" ? 8 : 0;
        if (width == 0) continue;
        if (m.size < width) return false;
        const unsigned char* p = data.data() + m.dataOffset;
        uint64_t count = width == 4 ? be32(p) : be64(p);
        if (count > (m.size - width) / width) return false;
        size_t pos = m.dataOffset + width + size_t(count) * width;
        size_t end = m.dataOffset + m.size;
        for (uint64_t i = 0; i < count && pos < end; ++i) {
            std::string s = cString(data, pos, end);
            pos += s.size() + 1;
            symbols.push_back(s);
        }
        return true;  // the first index is the GNU one; a second "/" is Microsoft's
    }
    return false;
}

bool isShortImport(const unsigned char* p, size_t size) {
    return size >= 20 && le16(p) == 0 && le16(p + 2) == 0xFFFF;
}

// Looks into one member: collects the external symbols it defines and, when
// it names the DLL, the DLL name.
void scanMember(const Bytes& data, const Member& m, std::vector<std::string>& defined, std::set<std::string>& dlls) {
    const unsigned char* p = data.data() + m.dataOffset;
    size_t end = m.dataOffset + m.size;
    if (isShortImport(p, m.size)) {
        std::string symbol = cString(data, m.dataOffset + 20, end);
        std::string dll = cString(data, m.dataOffset + 20 + symbol.size() + 1, end);
        defined.push_back("__imp_" + symbol);
        if (!dll.empty()) dlls.insert(dll);
        return;
    }
    if (m.size < 20) return;
    uint16_t sectionCount = le16(p + 2);
    uint32_t symbolTable = le32(p + 8);
    uint32_t symbolCount = le32(p + 12);
    uint16_t optionalSize = le16(p + 16);
    size_t sectionTable = 20 + size_t(optionalSize);
    if (sectionTable + size_t(sectionCount) * 40 > m.size) return;
    if (symbolTable > m.size || symbolCount > (m.size - symbolTable) / 18) return;
    size_t stringTable = m.dataOffset + symbolTable + size_t(symbolCount) * 18;

    bool definesIname = false;
    for (uint32_t i = 0; i < symbolCount; ++i) {
        const unsigned char* s = p + symbolTable + size_t(i) * 18;
        std::string name;
        if (le32(s) == 0) {
            size_t at = stringTable + le32(s + 4);
            if (at < end) name = cString(data, at, end);
        } else {
            name.assign(reinterpret_cast<const char*>(s), strnlen(reinterpret_cast<const char*>(s), 8));
        }
        int16_t section = int16_t(le16(s + 12));
        unsigned storageClass = s[16];
        if (storageClass == 2 && section > 0) {  // external, defined here
            defined.push_back(name);
            if (name.size() > 6 && name.compare(name.size() - 6, 6, "_iname") == 0) definesIname = true;
        }
        i += s[17];  // skip auxiliary records
    }
    if (!definesIname) return;
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const unsigned char* h = p + sectionTable + size_t(i) * 40;
        if (std::memcmp(h, ".idata$7", 8) != 0) continue;
        uint32_t rawSize = le32(h + 16), rawPointer = le32(h + 20);
        if (rawPointer > m.size || rawSize > m.size - rawPointer) continue;
        std::string dll = cString(data, m.dataOffset + rawPointer, m.dataOffset + rawPointer + rawSize);
        if (!dll.empty()) dlls.insert(dll);
    }
}

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string baseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string exportNameFromImportSymbol(const std::string& symbol) {
    static const std::string prefix = "__imp_";
    if (symbol.compare(0, prefix.size(), prefix) != 0) return "";
    std::string name = symbol.substr(prefix.size());
    // i386 decoration: _name (cdecl), _name@N (stdcall), @name@N (fastcall).
    if (!name.empty() && (name[0] == '_' || name[0] == '@')) name.erase(0, 1);
    size_t at = name.find('@');
    if (at != std::string::npos) name.erase(at);
    return name;
}

bool readImportArchive(const std::string& path, ImportArchive& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open";
        return false;
    }
    Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<Member> members;
    if (!splitMembers(data, members, error)) {
        error = path + ": " + error;
        return false;
    }

    std::vector<std::string> defined;
    std::set<std::string> dlls;
    for (const Member& m : members) {
        if (m.name == "/" || m.name == "//" || m.name == "/SYM64/" || m.name == "__.SYMDEF" ||
            m.name == "__.SYMDEF SORTED")
            continue;
        scanMember(data, m, defined, dlls);
    }
    std::vector<std::string> symbols;
    if (!readIndex(data, members, symbols)) symbols = defined;

    std::set<std::string> names;
    for (const std::string& s : symbols) {
        std::string name = exportNameFromImportSymbol(s);
        if (!name.empty()) names.insert(name);
    }
    if (names.empty()) {
        error = path + ": no import symbols (__imp_*) found";
        return false;
    }
    out.functions.assign(names.begin(), names.end());

    std::set<std::string> lowered;
    for (const std::string& d : dlls) lowered.insert(lower(d));
    if (lowered.size() == 1) {
        out.dll = *lowered.begin();
    } else {
        // No single DLL named inside: libfoo.a imports from foo.dll.
        std::string base = baseName(path);
        if (base.compare(0, 3, "lib") == 0) base.erase(0, 3);
        size_t dot = base.find('.');
        out.dll = lower(base.substr(0, dot)) + ".dll";
    }
    return true;
}
