#include "BenchMeasure.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <chrono>
#include <cstdio>
#include <cstring>

double MedianMs(int repeats, const std::function<void()>& run) {
  std::vector<double> times;
  for (int i = 0; i < repeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    const auto end = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

namespace {

double ThreadCpuMs() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

}  // namespace

double MedianCpuMs(int repeats, const std::function<void()>& run) {
  std::vector<double> times;
  for (int i = 0; i < repeats; ++i) {
    const double start = ThreadCpuMs();
    run();
    times.push_back(ThreadCpuMs() - start);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

int64_t BytesWrittenSoFar() {
  FILE* io = std::fopen("/proc/self/io", "r");
  if (io == nullptr) return -1;
  char line[128];
  long long value = -1;
  while (std::fgets(line, sizeof line, io) != nullptr)
    if (std::sscanf(line, "wchar: %lld", &value) == 1) break;
  std::fclose(io);
  return value;
}

uint64_t ReadWholeFile(const char* path, bool intoOneBuffer) {
  const int fd = open(path, O_RDONLY);
  if (fd < 0) return 0;
  struct stat st;
  if (fstat(fd, &st) != 0) {
    close(fd);
    return 0;
  }
  const size_t piece = 1 << 20;
  std::vector<char> buffer(intoOneBuffer ? static_cast<size_t>(st.st_size) + piece : piece);
  uint64_t total = 0;
  for (ssize_t got;; total += static_cast<uint64_t>(got)) {
    char* at = intoOneBuffer ? buffer.data() + total : buffer.data();
    got = read(fd, at, piece);
    if (got <= 0) break;
  }
  close(fd);
  return total;
}
