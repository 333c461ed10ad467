#pragma once
// Clocks and counters for the benchmark.

#include <cstdint>
#include <functional>
#include <vector>

/// Milliseconds that `run` takes, the median of `repeats` runs.
double MedianMs(int repeats, const std::function<void()>& run);

/// Milliseconds of processor time that `run` takes on the calling thread,
/// the median of `repeats` runs: on a busy machine it tells the program's own
/// cost apart from waiting for a processor.
double MedianCpuMs(int repeats, const std::function<void()>& run);

/// Bytes this process has handed to write calls so far (the "wchar" line of
/// /proc/self/io), or -1 when it cannot be read.
int64_t BytesWrittenSoFar();

/// Reads the whole file at `path` front to back, in one sequential pass,
/// either into a single buffer of the file's size (`intoOneBuffer`, as a
/// loader that keeps the bytes would) or through one reused 1 MiB buffer.
/// Returns the bytes read.
uint64_t ReadWholeFile(const char* path, bool intoOneBuffer);
