// bench-fixture SOURCE.tsv OUTDIR [COUNT]: writes the benchmarks' catalogue.
#include "catalogue.h"
#include "fixture.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: bench-fixture SOURCE.tsv OUTDIR [COUNT]\n");
        return 2;
    }
    int count = argc == 4 ? std::atoi(argv[3]) : MAX_INDEX_ENTRIES;
    return WriteBenchCatalogue(argv[1], argv[2], count) ? 0 : 1;
}
