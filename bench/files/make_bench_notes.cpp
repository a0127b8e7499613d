// SPDX-License-Identifier: GPL-3.0-or-later
// make_bench_notes OUT.pdb [COUNT]: writes the benchmark notes database (5000 notes unless
// COUNT is given).

#include "BenchDatabase.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_bench_notes OUT.pdb [COUNT]\n");
        return 1;
    }
    const int count = argc == 3 ? std::atoi(argv[2]) : 5000;
    if (count < 0 || count > 32767 || !quillary::bench::WriteBenchDatabase(argv[1], count)) {
        std::fprintf(stderr, "make_bench_notes: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
