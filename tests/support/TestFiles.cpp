#include "TestFiles.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

std::vector<uint8_t> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    ADD_FAILURE() << "cannot read " << path;
    return {};
  }
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

void pokeU32LE(const std::string& path, uint64_t offset, uint32_t value) {
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                         static_cast<char>(value >> 24)};
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(bytes, sizeof bytes);
  if (!file) ADD_FAILURE() << "cannot write 4 bytes at " << offset << " of " << path;
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* item = readdir(dir))
    if (std::strcmp(item->d_name, ".") != 0 && std::strcmp(item->d_name, "..") != 0) names.push_back(item->d_name);
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}
