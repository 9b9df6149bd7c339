#include "catalogue.h"
#include "catalogue_build.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

bool ReplaceWithTemporary(const std::string& from, const std::string& to)
{
#ifdef _WIN32
    // rename() will not replace an existing file here.
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace

bool ReadWholeFile(const char* path, std::string& bytes)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    char chunk[1 << 16];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

// All three files or none: temporaries first, then each renamed over its target, the
// index last since it is what the program reads first.
bool WriteCatalogueFiles(const char* dir, const CatalogueFiles& files, std::string& error)
{
    const std::string base = std::string(dir) + "/";
    const char* names[3] = {RECORD_FILE_NAME, INI_FILE_NAME, INDEX_FILE_NAME};
    const std::string* contents[3] = {&files.records, &files.ini, &files.index};
    std::string temporaries[3];
    int written = 0;
    for (; written < 3; ++written) {
        temporaries[written] = base + names[written] + ".new";
        if (!WriteFileBytes(temporaries[written], *contents[written])) {
            error = "cannot write " + temporaries[written] + ": " + std::strerror(errno);
            break;
        }
    }
    for (int i = 0; written == 3 && i < 3; ++i) {
        if (!ReplaceWithTemporary(temporaries[i], base + names[i])) {
            error = "cannot replace " + base + names[i] + ": " + std::strerror(errno);
            written = i;
        }
    }
    if (written == 3)
        return true;
    for (const std::string& temporary : temporaries)
        if (!temporary.empty())
            std::remove(temporary.c_str());
    return false;
}
