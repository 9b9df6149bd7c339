#include "fixture.h"

#include "catalogue.h"
#include "catalogue_build.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Copies get this suffix: no Win32 function ends with it, so names stay unique.
constexpr const char COPY_SUFFIX[] = "Bench";

std::string NameOf(const std::string& row)
{
    return row.substr(0, row.find('\t'));
}

bool NameBefore(const std::string& a, const std::string& b)
{
    std::string x = NameOf(a), y = NameOf(b);
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                        [](char p, char q) {
                                            return static_cast<unsigned char>(FoldLetterCase(p)) <
                                                   static_cast<unsigned char>(FoldLetterCase(q));
                                        });
}

}  // namespace

bool WriteBenchCatalogue(const char* tsvPath, const char* outDir, int count)
{
    if (count < 1 || count > MAX_INDEX_ENTRIES) {
        std::fprintf(stderr, "fixture: count must be 1 to %d\n", MAX_INDEX_ENTRIES);
        return false;
    }
    std::string source;
    if (!ReadWholeFile(tsvPath, source)) {
        std::fprintf(stderr, "fixture: cannot read %s\n", tsvPath);
        return false;
    }
    // The header, then the rows, at most count of them; copies under new names fill
    // up to count, and all are sorted by name as the shipped index is.
    std::vector<std::string> rows;
    size_t start = 0;
    while (start < source.size()) {
        size_t end = source.find('\n', start);
        if (end == std::string::npos)
            end = source.size();
        if (end > start)
            rows.push_back(source.substr(start, end - start));
        start = end + 1;
    }
    if (rows.size() < 2) {
        std::fprintf(stderr, "fixture: no rows in %s\n", tsvPath);
        return false;
    }
    std::string header = rows.front();
    rows.erase(rows.begin());
    if (rows.size() > static_cast<size_t>(count))
        rows.resize(static_cast<size_t>(count));
    for (size_t real = rows.size(), i = 0; rows.size() < static_cast<size_t>(count); ++i) {
        const std::string& row = rows[i % real];
        rows.push_back(NameOf(row) + COPY_SUFFIX + row.substr(row.find('\t')));
    }
    std::sort(rows.begin(), rows.end(), NameBefore);

    std::string text = header + '\n';
    for (const std::string& row : rows)
        text += row + '\n';
    CatalogueFiles files;
    BuildError problem;
    if (!BuildCatalogue(text.data(), text.size(), files, problem)) {
        std::fprintf(stderr, "fixture: line %d: %s\n", problem.line, problem.reason.c_str());
        return false;
    }
    std::string error;
    if (!WriteCatalogueFiles(outDir, files, error)) {
        std::fprintf(stderr, "fixture: %s\n", error.c_str());
        return false;
    }
    return true;
}
