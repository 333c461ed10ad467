#pragma once
// A fast path for reading many stored text fields as UTF-8 (sorting a whole
// entry list reads tens of thousands): the same bytes that
// FLN_COMM_ConvertUniCharToChar_LtoN writes, without building a string object
// for every field.

#include <cstddef>
#include <vector>

/// Appends to `out` the UTF-8 form of the little-endian text field of
/// `fieldBytes` bytes (up to its zero unit, a leading U+FEFF dropped) and a
/// zero byte: exactly what FLN_COMM_ConvertUniCharToChar_LtoN gives for it.
/// May throw std::bad_alloc from `out`.
void AppendFieldTextUtf8(const void* field, size_t fieldBytes, std::vector<char>& out);
