// tolvane-cat: the catalogue from the command line. Looks names up as the program's
// window does, lists and checks a catalogue, and compiles one from its source.
#include "catalogue.h"
#include "catalogue_build.h"
#include "profile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

const char USAGE[] =
    "usage: tolvane-cat [--dir DIR] show [--raw] NAME\n"
    "       tolvane-cat [--dir DIR] find PREFIX\n"
    "       tolvane-cat [--dir DIR] list [-l]\n"
    "       tolvane-cat [--dir DIR] check\n"
    "       tolvane-cat build --out DIR SOURCE.tsv\n"
    "The catalogue directory is DIR, by default the program's own. Entries are\n"
    "numbered from 0 in index order.\n";

int UsageError(const char* problem)
{
    std::fprintf(stderr, "tolvane-cat: %s\n%s", problem, USAGE);
    return 2;
}

int Error(const std::string& message)
{
    std::fprintf(stderr, "tolvane-cat: %s\n", message.c_str());
    return 1;
}

bool Write(const char* bytes, size_t length)
{
    return std::fwrite(bytes, 1, length, stdout) == length;
}

bool Write(const std::string& bytes)
{
    return Write(bytes.data(), bytes.size());
}

// Everything printed must have reached stdout before the exit status says success.
int Finish(bool written)
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout) || !written)
        return Error(std::string("cannot write output: ") + std::strerror(errno));
    return 0;
}

#ifdef _WIN32
bool IsAnsiLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != 0;
}
#endif

// The catalogue files in dir, or (dir null) beside the executable.
bool CataloguePaths(const char* dir, DataPaths& paths)
{
#ifdef _WIN32
    char path[MAX_PATH];
    if (dir) {
        // The profile functions look a name without a full path up in the Windows
        // directory, so the directory is made absolute.
        char full[MAX_PATH];
        if (!_fullpath(full, dir, sizeof full))
            return false;
        if (std::snprintf(path, sizeof path, "%s\\x", full) >= static_cast<int>(sizeof path))
            return false;
    } else {
        DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
        if (n == 0 || n >= sizeof path)
            return false;
    }
    paths = ResolveDataPaths(path, IsAnsiLeadByte);
#else
    char path[MAX_PATH];
    if (dir) {
        if (std::snprintf(path, sizeof path, "%s/x", dir) >= static_cast<int>(sizeof path))
            return false;
    } else {
        ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
        if (n < 0 || n >= static_cast<ssize_t>(sizeof path - 1))
            return false;
        path[n] = '\0';
    }
    paths = ResolveDataPaths(path, nullptr, true);
#endif
    return true;
}

std::string CannotRead(const char* path)
{
    return std::string("cannot read ") + path + ": " + std::strerror(errno);
}

void CollectEntry(const IndexEntry& entry, void* context)
{
    static_cast<std::vector<IndexEntry>*>(context)->push_back(entry);
}

bool LoadEntries(const DataPaths& paths, std::vector<IndexEntry>& entries)
{
    return LoadIndex(paths.indexPath, CollectEntry, &entries);
}

void ReadDeclaration(const DataPaths& paths, const char* name, char* out, size_t outSize)
{
#ifdef _WIN32
    GetPrivateProfileStringA(DECLARE_SECTION, name, "", out, static_cast<DWORD>(outSize),
                             paths.iniPath);
#else
    ReadProfileString(paths.iniPath, DECLARE_SECTION, name, "", out, outSize);
#endif
}

// The first entry of one name, and nothing else: show needs no list of entries.
struct FirstEntryNamed {
    const char* name;
    bool found;
    IndexEntry entry;
};

void KeepFirstEntryNamed(const IndexEntry& entry, void* context)
{
    FirstEntryNamed& wanted = *static_cast<FirstEntryNamed*>(context);
    if (!wanted.found && std::strcmp(entry.name, wanted.name) == 0) {
        wanted.entry = entry;
        wanted.found = true;
    }
}

// Appends length bytes of text at out + used, which has room for them; the new used.
size_t Append(char* out, size_t used, const char* text, size_t length)
{
    std::memcpy(out + used, text, length);
    return used + length;
}

int Show(const DataPaths& paths, const char* name, bool raw)
{
    FirstEntryNamed wanted = {name, false, {}};
    if (!LoadIndex(paths.indexPath, KeepFirstEntryNamed, &wanted))
        return Error(CannotRead(paths.indexPath));
    if (!wanted.found)
        return Error(std::string("no entry named '") + name + "' in " + paths.indexPath);
    const IndexEntry& found = wanted.entry;

    RecordFile records = OpenRecordFile(paths.recordPath);
    if (!IsRecordFileOpen(records))
        return Error(CannotRead(paths.recordPath));
    SupportRecord record = ReadSupportRecord(records, found.recordOffset);
    CloseRecordFile(records);
    char text[TEXT_BUFFER_SIZE];
    size_t length = FormatDetailsText(found.name, record, text, sizeof text);
    if (raw) {
#ifdef _WIN32
        _setmode(_fileno(stdout), _O_BINARY);
#endif
        return Finish(Write(text, length));
    }

    // The details with plain line ends, then the declaration: each under 800 bytes.
    static const char DECLARATION_LABEL[] = "\nDeclaration: ";
    char out[2 * TEXT_BUFFER_SIZE + sizeof DECLARATION_LABEL + 2];
    size_t used = 0;
    for (size_t i = 0; i < length; ++i)
        if (!(text[i] == '\r' && i + 1 < length && text[i + 1] == '\n'))
            out[used++] = text[i];
    out[used++] = '\n';
    char declaration[TEXT_BUFFER_SIZE];
    ReadDeclaration(paths, found.name, declaration, sizeof declaration);
    if (declaration[0] != '\0') {
        used = Append(out, used, DECLARATION_LABEL, sizeof DECLARATION_LABEL - 1);
        used = Append(out, used, declaration, std::strlen(declaration));
        out[used++] = '\n';
    }
    return Finish(Write(out, used));
}

bool BeginsWith(const char* name, const char* prefix, size_t prefixLength)
{
    for (size_t i = 0; i < prefixLength; ++i)
        if (name[i] == '\0' || FoldLetterCase(name[i]) != FoldLetterCase(prefix[i]))
            return false;
    return true;
}

// The search box's choice: items from the second on, the first one last of all.
int Find(const DataPaths& paths, const char* prefix)
{
    std::vector<IndexEntry> entries;
    if (!LoadEntries(paths, entries))
        return Error(CannotRead(paths.indexPath));
    size_t prefixLength = std::strlen(prefix);
    if (prefixLength > MAX_SHOWN_NAME_BYTES)
        prefixLength = MAX_SHOWN_NAME_BYTES;
    size_t count = entries.size();
    for (size_t step = 1; step <= count; ++step) {
        const IndexEntry& entry = entries[step % count];
        if (BeginsWith(entry.name, prefix, prefixLength))
            return Finish(Write(std::string(entry.name) + '\n'));
    }
    return Error(std::string("no name begins with '") + std::string(prefix, prefixLength) +
                 "' in " + paths.indexPath);
}

int List(const DataPaths& paths, bool withOffsets)
{
    std::vector<IndexEntry> entries;
    if (!LoadEntries(paths, entries))
        return Error(CannotRead(paths.indexPath));
    std::string out;
    for (const IndexEntry& entry : entries) {
        out += entry.name;
        if (withOffsets)
            out += '\t' + std::to_string(entry.recordOffset);
        out += '\n';
    }
    return Finish(Write(out));
}

int Check(const DataPaths& paths)
{
    std::string index, records;
    if (!ReadWholeFile(paths.indexPath, index))
        return Error(CannotRead(paths.indexPath));
    if (!ReadWholeFile(paths.recordPath, records))
        return Error(CannotRead(paths.recordPath));

    std::string out;
    int problems = 0;
    auto report = [&](size_t number, const std::string& name, const std::string& what) {
        out += std::string(INDEX_FILE_NAME) + ": entry " + std::to_string(number);
        if (!name.empty())
            out += " (" + name + ")";
        out += ": " + what + '\n';
        ++problems;
    };

    std::map<std::string, size_t> firstByName;
    std::set<uint32_t> offsets;
    size_t count = 0;
    size_t pos = 0;
    RawIndexEntry entry;
    for (; NextRawIndexEntry(index, pos, entry); ++count) {
        if (entry.cutShort) {
            report(count, "", "cut short: the file ends " + std::to_string(entry.missingBytes) +
                                  " bytes before the entry does");
            break;
        }
        std::string name(entry.name, entry.nameLength);
        if (name.find('\0') != std::string::npos)
            report(count, "", "name holds a NUL byte");
        if (entry.nameLength > MAX_SHOWN_NAME_BYTES)
            report(count, name, "name of " + std::to_string(entry.nameLength) +
                                    " bytes (the search box takes at most " +
                                    std::to_string(MAX_SHOWN_NAME_BYTES) + ")");
        auto first = firstByName.emplace(name, count);
        if (!first.second)
            report(count, name, "same name as entry " + std::to_string(first.first->second));
        offsets.insert(entry.recordOffset);
        if (entry.recordOffset >= records.size())
            report(count, name, "record offset " + std::to_string(entry.recordOffset) +
                                    " is past the end of " + RECORD_FILE_NAME + " (" +
                                    std::to_string(records.size()) + " bytes)");
        else if (!RecordHoldsNineTexts(records, entry.recordOffset))
            report(count, name, "record at offset " + std::to_string(entry.recordOffset) +
                                    " does not hold nine terminated texts within " +
                                    std::to_string(RECORD_BUFFER_SIZE) + " bytes");
    }
    if (count > MAX_INDEX_ENTRIES)
        report(MAX_INDEX_ENTRIES, "", std::to_string(count) + " entries; from this one on (past " +
                                          std::to_string(MAX_INDEX_ENTRIES) +
                                          ") none is ever read");
    if (problems == 0)
        out += std::to_string(count) + " entries, " + std::to_string(offsets.size()) +
               " records, ok\n";
    int status = Finish(Write(out));
    if (status != 0)
        return status;
    if (problems > 0)
        return Error(std::to_string(problems) + " problem(s) in " + paths.indexPath);
    return 0;
}

int Build(const char* outDir, const char* sourcePath)
{
    std::string source;
    if (!ReadWholeFile(sourcePath, source))
        return Error(CannotRead(sourcePath));
    CatalogueFiles files;
    BuildError problem;
    if (!BuildCatalogue(source.data(), source.size(), files, problem)) {
        std::fprintf(stderr, "%s:%d: %s\n", sourcePath, problem.line, problem.reason.c_str());
        return 1;
    }
    std::string error;
    if (!WriteCatalogueFiles(outDir, files, error))
        return Error(error);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* command = nullptr;
    const char* dir = nullptr;
    const char* outDir = nullptr;
    bool raw = false, withOffsets = false;
    std::vector<const char*> operands;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0) {
            std::fputs(USAGE, stdout);
            return Finish(true);
        }
        if (std::strcmp(arg, "--dir") == 0 || std::strcmp(arg, "--out") == 0) {
            if (i + 1 >= argc)
                return UsageError((std::string(arg) + " needs a directory").c_str());
            (arg[2] == 'd' ? dir : outDir) = argv[++i];
        } else if (std::strcmp(arg, "--raw") == 0) {
            raw = true;
        } else if (std::strcmp(arg, "-l") == 0) {
            withOffsets = true;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return UsageError((std::string("unknown option ") + arg).c_str());
        } else if (!command) {
            command = arg;
        } else {
            operands.push_back(arg);
        }
    }
    if (!command)
        return UsageError("no command");
    std::string cmd = command;
    size_t wantedOperands = cmd == "list" || cmd == "check" ? 0 : 1;
    if (cmd != "show" && cmd != "find" && cmd != "list" && cmd != "check" && cmd != "build")
        return UsageError(("unknown command " + cmd).c_str());
    if (operands.size() != wantedOperands)
        return UsageError(("wrong number of arguments for " + cmd).c_str());
    if ((raw && cmd != "show") || (withOffsets && cmd != "list") ||
        ((outDir != nullptr) != (cmd == "build")) || (dir && cmd == "build"))
        return UsageError(("option not valid for " + cmd).c_str());

    if (cmd == "build")
        return Build(outDir, operands[0]);
    DataPaths paths;
    if (!CataloguePaths(dir, paths))
        return Error(dir ? std::string("catalogue directory path too long: ") + dir
                         : std::string("cannot tell where the program is; give --dir"));
    if (cmd == "show")
        return Show(paths, operands[0], raw);
    if (cmd == "find")
        return Find(paths, operands[0]);
    if (cmd == "list")
        return List(paths, withOffsets);
    return Check(paths);
}
