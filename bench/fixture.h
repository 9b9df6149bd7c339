// A catalogue of a chosen size for the benchmarks: the shipped rows, then copies of
// them under new names until the count is reached, in the three files Tolvane reads.
#pragma once

// Reads the tab-separated catalogue source (name, nine record fields, declaration)
// and writes vq_api.dat, vq_dat.dat and api.ini into outDir, count entries sorted
// by name as the shipped index is. False, with a message on stderr, on any error.
bool WriteBenchCatalogue(const char* tsvPath, const char* outDir, int count);
