#pragma once
// Helpers for the container tests: whole-file bytes, a walk that turns a
// container into plain values, and little-endian pokes for damaging files.

#include <QTemporaryDir>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "storage/ZelFile.h"

namespace zeltest {

std::vector<uint8_t> fileBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);
uint32_t u32At(const std::vector<uint8_t>& bytes, size_t offset);
void putU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);

/// What a reader sees: tags in chain order, each with its members' data in member order.
struct Contents {
  std::vector<std::pair<int32_t, std::vector<std::string>>> tags;
  bool operator==(const Contents& o) const { return tags == o.tags; }
};

/// Walks every tag and member of the container at `path` (read-only).
/// Returns the first error code met, or 0 with `out` filled.
int walk(const std::string& path, Contents* out);

/// A temporary folder with a helper to name files in it.
struct TempDir {
  QTemporaryDir dir;
  std::string path(const std::string& name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }
};

/// Creates a container at `path` with the given tags and members, in order.
void makeContainer(const std::string& path,
                   const std::vector<std::pair<int32_t, std::vector<std::string>>>& tags);

}  // namespace zeltest
