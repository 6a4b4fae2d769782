#include <benchmark/benchmark.h>

#include "bridge/values/XercesFacade.h"

// The parser library is set up once, as the program does at start-up.
int main(int argc, char** argv) {
    XercesFacade::initialize();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
