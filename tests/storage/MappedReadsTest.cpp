// A read-write stream serves its small reads from a mapping of the file.
// These tests show that it reads exactly what a system call reads, after the
// stream's own writes, appends and cuts and after another handle grew the
// file; that a file cut short under the mapping gives a failed read rather
// than a dead process; and that a bus error outside such a read still ends
// the process as it did before.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "storage/FileIo.h"

namespace {

constexpr size_t kFileSize = 256 * 1024;  // several pages, and past the largest mapped read

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>((i * 131 + seed) ^ (i >> 9));
  return bytes;
}

// What pread on a handle of its own finds at [offset, offset + n).
std::vector<uint8_t> ReadByCall(const std::string& path, uint64_t offset, size_t n) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_GE(fd, 0);
  std::vector<uint8_t> bytes(n);
  const ssize_t got = ::pread(fd, bytes.data(), n, static_cast<off_t>(offset));
  ::close(fd);
  bytes.resize(got < 0 ? 0 : static_cast<size_t>(got));
  return bytes;
}

std::vector<uint8_t> ReadByStream(FileStream& stream, uint64_t offset, size_t n) {
  std::vector<uint8_t> bytes(n);
  bytes.resize(stream.readOnDisk(offset, bytes.data(), n));
  return bytes;
}

class MappedReads : public ::testing::Test {
 protected:
  void SetUp() override {
    writeAll(path, Pattern(kFileSize, 1));
    stream.reset(FileStream::open(path.c_str(), FileOpenMode::ReadWrite));
    ASSERT_NE(stream, nullptr);
  }

  // Every read of `reads` gives through the stream what pread gives.
  void ExpectReadsAsByCall(const std::vector<std::pair<uint64_t, size_t>>& reads) {
    for (const auto& [offset, n] : reads) {
      SCOPED_TRACE("read of " + std::to_string(n) + " at " + std::to_string(offset));
      EXPECT_EQ(ReadByStream(*stream, offset, n), ReadByCall(path, offset, n));
    }
  }

  TempDir dir;
  std::string path = dir.path("mapped.bin");
  std::unique_ptr<FileStream> stream;
};

TEST_F(MappedReads, ReadEveryByteAsASystemCallDoes) {
  const struct {
    const char* name;
    void (*change)(FileStream& stream, const std::string& path);
  } steps[] = {
      {"as written", [](FileStream&, const std::string&) {}},
      {"overwritten by the stream",
       [](FileStream& s, const std::string&) {
         const std::vector<uint8_t> bytes = Pattern(5000, 7);
         ASSERT_TRUE(s.writeOnDisk(4090, bytes.data(), bytes.size()));
       }},
      {"appended to by the stream",
       [](FileStream& s, const std::string&) {
         const std::vector<uint8_t> bytes = Pattern(9000, 9);
         ASSERT_TRUE(s.writeOnDisk(kFileSize, bytes.data(), bytes.size()));
       }},
      {"cut by the stream", [](FileStream& s, const std::string&) { ASSERT_TRUE(s.truncate(kFileSize - 3000)); }},
      {"grown by another handle",
       [](FileStream&, const std::string& p) {
         const int fd = ::open(p.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
         ASSERT_GE(fd, 0);
         const std::vector<uint8_t> bytes = Pattern(70000, 11);
         ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
         ::close(fd);
       }},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    ASSERT_NO_FATAL_FAILURE(step.change(*stream, path));
    const uint64_t size = static_cast<uint64_t>(stream->size());
    // Small reads in and across pages, at both ends, straddling and past
    // the end, and one too large to be mapped.
    ExpectReadsAsByCall({{0, 36},
                         {4095, 2},
                         {4090, 5000},
                         {kFileSize - 1, 1},
                         {kFileSize, 64},
                         {size - 10, 10},
                         {size - 10, 40},
                         {size, 16},
                         {size + 4096, 16},
                         {1000, 100000}});
  }
}

// Held overwrites lie over the mapped bytes exactly as over read ones.
TEST_F(MappedReads, HeldOverwritesShowThroughMappedReads) {
  ASSERT_TRUE(stream->holdOverwrites());
  const std::vector<uint8_t> held = Pattern(300, 5);
  ASSERT_TRUE(stream->writeAt(8000, held.data(), held.size()));
  std::vector<uint8_t> expected = ReadByCall(path, 7900, 600);
  std::copy(held.begin(), held.end(), expected.begin() + 100);
  std::vector<uint8_t> seen(600);
  ASSERT_EQ(stream->readAt(7900, seen.data(), seen.size()), seen.size());
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(ReadByStream(*stream, 7900, 600), ReadByCall(path, 7900, 600));  // the disk is untouched
}

// Another program cuts the file short while the stream has it mapped: a
// read of the bytes that went is a failed read (EIO), not a bus error that
// ends the process; the bytes that remain still read, and so does what the
// file grows back to.
TEST_F(MappedReads, AFileCutShortUnderTheMappingGivesAFailedRead) {
  ASSERT_EQ(ReadByStream(*stream, kFileSize - 100, 50), ReadByCall(path, kFileSize - 100, 50));  // mapped now
  ASSERT_EQ(::truncate(path.c_str(), 4096), 0);
  std::vector<uint8_t> bytes(50);
  errno = 0;
  EXPECT_EQ(stream->readOnDisk(kFileSize - 100, bytes.data(), bytes.size()), 0u);
  EXPECT_EQ(errno, EIO);
  ExpectReadsAsByCall({{4000, 96}, {4000, 200}, {kFileSize - 100, 50}});
  writeAll(path, Pattern(kFileSize, 3));  // the same file, full length again
  ExpectReadsAsByCall({{kFileSize - 100, 50}, {10, 20}});
}

// The guard catches bus errors of its own copies only: any other access to
// a page the file no longer holds ends the process with SIGBUS, as before
// the guard was installed.
TEST_F(MappedReads, ABusErrorElsewhereStillEndsTheProcess) {
  ASSERT_EQ(ReadByStream(*stream, 100, 10), ReadByCall(path, 100, 10));  // the guard is installed
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    void* base = mmap(nullptr, kFileSize, PROT_READ, MAP_SHARED, fd, 0);
    if (fd < 0 || base == MAP_FAILED || ::ftruncate(fd, 0) != 0) _exit(2);
    const volatile uint8_t* bytes = static_cast<const uint8_t*>(base);
    _exit(bytes[kFileSize - 1] == 0 ? 3 : 4);  // a page past the end: SIGBUS
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended with " << status;
  EXPECT_EQ(WTERMSIG(status), SIGBUS);
}

}  // namespace
