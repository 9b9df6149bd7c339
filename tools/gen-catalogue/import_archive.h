// Reads the export list and DLL name out of a Windows import library (.a).
#pragma once

#include <string>
#include <vector>

struct ImportArchive {
    std::string dll;                     // lower-case, e.g. "kernel32.dll"
    std::vector<std::string> functions;  // undecorated export names, sorted, unique
};

// Fills `out` from the archive at `path`. On failure returns false and sets
// `error` to one line saying what is wrong with the file.
bool readImportArchive(const std::string& path, ImportArchive& out, std::string& error);

// "__imp__CreateFileA@28" -> "CreateFileA"; returns "" for a symbol that is
// not an import thunk pointer.
std::string exportNameFromImportSymbol(const std::string& symbol);
