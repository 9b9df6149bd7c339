// Small catalogues for the window tests, written as tolvane-cat lays them out.
#pragma once

#include <string>
#include <vector>

#include "catalogue.h"

struct FixtureEntry {
    std::string name;
    std::string fields[RECORD_FIELD_COUNT];  // in record order; the last is unicode
    std::string declaration;                 // empty: no key in api.ini
};

enum IniChoice { WITH_INI, WITHOUT_INI };

// A new empty directory in this run's temporary directory.
std::string NewTestDir(const std::string& name);
// Writes vq_api.dat, vq_dat.dat and (unless told not to) api.ini into dir.
void WriteCatalogue(const std::string& dir, const std::vector<FixtureEntry>& entries,
                    IniChoice ini = WITH_INI);
std::string JoinPath(const std::string& dir, const char* file);
// What the details box shows for entry: the catalogue's own formatting.
std::string ExpectedDetails(const FixtureEntry& entry);
// Three entries that exercise prefix search and both kinds of record.
std::vector<FixtureEntry> SampleEntries(void);
