// What the registry's construction costs with 1, 64 and 255 simulated boards (cycling
// through the five board models), each construction in a fresh process: the benchmark
// starts itself again with --startup-child N, and the child times the first
// DeviceDiscoverySingleton::getInstance() and prints the nanoseconds. A real /dev/ listing
// is there before the program starts; the simulator's stand-in is made before the clock runs.
#include <dirent.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <corvane/DeviceDiscoverySingleton.h>

#include "BenchSupport.h"

extern char** environ;

namespace {

constexpr const char* kChildOption = "--startup-child";

int runChild(unsigned boards) {
    corvane_bench::useBoards(corvane_bench::mixedBoards(boards).c_str());
    // The simulator creates the stand-in directory's entries at the first listing after its
    // boards changed; a real /dev/ is there already, so that is done before the clock runs.
    if (DIR* listing = opendir("/dev/")) {
        closedir(listing);
    }
    const uint64_t begin = corvane_bench::monotonicNs();
    auto& registry = velmor::corvane::DeviceDiscoverySingleton::getInstance("/dev/");
    const uint64_t end = corvane_bench::monotonicNs();
    const unsigned expected = std::min(boards, 255u);
    if (registry.getNumberOfDevices() != expected || registry.getDevicesId().size() != boards) {
        std::fprintf(stderr, "bench: %u boards expected, %zu found\n", boards,
                     registry.getDevicesId().size());
        return 1;
    }
    std::printf("%llu\n", static_cast<unsigned long long>(end - begin));
    return 0;
}

// Starts a fresh process that builds the registry over `boards` boards; its time in
// nanoseconds, or 0 on failure.
uint64_t timeInFreshProcess(unsigned boards) {
    int output[2];
    if (pipe(output) != 0) {
        return 0;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    const std::string count = std::to_string(boards);
    char self[] = "/proc/self/exe";
    char option[32];
    std::snprintf(option, sizeof option, "%s", kChildOption);
    std::vector<char> countText(count.begin(), count.end());
    countText.push_back('\0');
    char* arguments[] = {self, option, countText.data(), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawn(&child, self, &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    std::string text;
    char buffer[64];
    ssize_t got = 0;
    while (spawned == 0 && (got = read(output[0], buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<size_t>(got));
    }
    close(output[0]);
    int status = 0;
    if (spawned != 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return 0;
    }
    return std::strtoull(text.c_str(), nullptr, 10);
}

void registry_startup(benchmark::State& state) {
    const unsigned boards = static_cast<unsigned>(state.range(0));
    std::vector<uint64_t> times;
    for (auto _ : state) {
        const uint64_t ns = timeInFreshProcess(boards);
        if (ns == 0) {
            state.SkipWithError("the child process failed");
            return;
        }
        times.push_back(ns);
        state.SetIterationTime(static_cast<double>(ns) / 1e9);
    }
    state.counters["boards"] = boards;
    state.counters["median_ns"] = static_cast<double>(corvane_bench::percentile(times, 0.5));
    state.counters["min_ns"] = static_cast<double>(corvane_bench::percentile(times, 0.0));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kChildOption) == 0) {
        return runChild(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)));
    }
    const auto starts = static_cast<benchmark::IterationCount>(
        corvane_bench::environmentCount("CORVANE_BENCH_STARTS", 15));
    for (const int boards : {1, 64, 255}) {
        benchmark::RegisterBenchmark("registry_startup", registry_startup)
            ->Arg(boards)
            ->Iterations(starts)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    return corvane_bench::runBenchmarks(argc, argv);
}
