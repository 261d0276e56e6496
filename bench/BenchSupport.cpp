#include "BenchSupport.h"

#include <fcntl.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <benchmark/benchmark.h>

#include <corvane/Corvane.h>

#include "corvane_sim.h"

namespace corvane_bench {

void useBoards(const char* description) {
    if (corvane_sim_reset(0) < 0 || corvane_sim_add_boards(description) < 0) {
        std::fprintf(stderr, "bench: the simulator refuses the boards \"%s\"\n", description);
        std::exit(2);
    }
}

void useOneBoard() {
    useBoards("keloe6100");
    unsigned char count = 0;
    if (VelmorGetNumberOfDevices(&count) != 0 || count != 1) {
        std::fprintf(stderr, "bench: the simulated board is not found\n");
        std::exit(2);
    }
}

int runBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

int openNode(const char* node) {
    const std::string path = std::string("/dev/") + node;
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        std::perror(path.c_str());
        std::exit(2);
    }
    return fd;
}

uint64_t monotonicNs() {
    struct timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

uint64_t percentile(std::vector<uint64_t>& samples, double fraction) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    size_t rank = static_cast<size_t>(fraction * static_cast<double>(samples.size()) + 0.999999);
    rank = std::min(std::max<size_t>(rank, 1), samples.size());
    return samples[rank - 1];
}

unsigned long environmentCount(const char* name, unsigned long fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') {
        return fallback;
    }
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    return (*end == '\0' && value > 0) ? value : fallback;
}

std::string mixedBoards(unsigned count) {
    static const char* const models[] = {"keloe6100", "kelo3100", "keloe5100", "keloe7100",
                                         "kelo4210"};
    std::string description;
    for (unsigned i = 0; i < count; ++i) {
        if (i != 0) {
            description += ',';
        }
        description += models[i % 5];
    }
    return description;
}

}  // namespace corvane_bench
