#pragma once
// Helpers for the container tests: little-endian numbers read from and
// written into a file image, on top of the shared file and container helpers.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ContainerContents.h"
#include "TestFiles.h"

namespace zeltest {

using namespace testsupport;

/// The little-endian 32-bit number at `offset` of `bytes`.
uint32_t u32At(const std::vector<uint8_t>& bytes, size_t offset);
/// Overwrites the four bytes at `offset` of `bytes` with `value`, little-endian.
void putU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);

}  // namespace zeltest
