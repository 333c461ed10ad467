#pragma once
// Small file helpers for tests that build files on disk and inspect or damage
// their bytes. Failures are reported as GoogleTest failures of the calling test.

#include <QTemporaryDir>
#include <cstdint>
#include <string>
#include <vector>

/// A temporary folder, removed with everything in it when destroyed.
struct TempDir {
  QTemporaryDir dir;
  /// The path of `name` inside the folder.
  std::string path(const std::string& name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }
};

/// Every byte of the file at `path` (empty, with a test failure, when it cannot be read).
std::vector<uint8_t> readAll(const std::string& path);
/// Replaces the file at `path` with `bytes` (a test failure when it cannot be written).
void writeAll(const std::string& path, const std::vector<uint8_t>& bytes);
/// The names in `folder`, sorted, without "." and ".." (empty when it cannot be read).
std::vector<std::string> FolderNames(const std::string& folder);
/// Overwrites the four bytes at `offset` with `value`, little-endian.
void pokeU32LE(const std::string& path, uint64_t offset, uint32_t value);
