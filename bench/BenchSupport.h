// Helpers shared by the benchmark programs: simulated boards, the benchmark's own
// descriptor on a simulated node, the monotonic clock and percentiles.
#ifndef CORVANE_BENCH_SUPPORT_H
#define CORVANE_BENCH_SUPPORT_H

#include <cstdint>
#include <string>
#include <vector>

namespace corvane_bench {

// The board every call and interrupt benchmark drives.
constexpr const char* kBoard = "keloe6100_0";

// Replaces the simulated boards with those of the description (as in CORVANE_SIM_BOARDS).
// Ends the program with a message when the simulator refuses the description.
void useBoards(const char* description);

// One simulated KELOE6100 (kBoard), and the registry built over it before anything is
// measured. Ends the program when the board is not found.
void useOneBoard();

// Google Benchmark's main: parses its options, runs the registered benchmarks.
int runBenchmarks(int argc, char** argv);

// Opens the simulated node read-write, as discovery does ("/dev/" + node); ends the
// program when it cannot.
int openNode(const char* node);

// CLOCK_MONOTONIC in nanoseconds.
uint64_t monotonicNs();

// The value below which the given fraction of the samples lies (nearest rank); the
// samples are sorted in place. 0 for no samples.
uint64_t percentile(std::vector<uint64_t>& samples, double fraction);

// A positive integer from the environment, or fallback when unset or not a number.
unsigned long environmentCount(const char* name, unsigned long fallback);

// "<model>,<model>,..." with count boards cycling through the five board models.
std::string mixedBoards(unsigned count);

}  // namespace corvane_bench

#endif
