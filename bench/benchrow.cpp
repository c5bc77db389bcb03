// One line of the benchmark table, for the benchmarks that are scripts, so
// that they print exactly what the programs print.
//
//   lumarel_bench_row --header TITLE
//   lumarel_bench_row MEASURE FIGURE GOAL met|missed     exits 1 when missed

#include "benchtable.h"

#include <cstdio>
#include <string_view>

int main(int argc, char **argv)
{
    if (argc == 3 && std::string_view(argv[1]) == "--header") {
        Bench::header(argv[2]);
        return 0;
    }
    const std::string_view verdict = argc == 5 ? argv[4] : "";
    if (verdict != "met" && verdict != "missed") {
        std::fprintf(stderr, "usage: lumarel_bench_row --header TITLE | MEASURE FIGURE GOAL met|missed\n");
        return 2;
    }
    Bench::row(argv[1], argv[2], argv[3], verdict == "met");
    return Bench::exitCode();
}
