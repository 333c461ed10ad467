#include "RecordFields.h"

#include <gtest/gtest.h>

#include <cstring>

#include "format/Endian.h"
#include "format/FieldText.h"

namespace testsupport {

std::string Text(const void* field, size_t fieldBytes) {
  return FLN_COMM_CreateNSString_FromUniChar_LtoN(field, fieldBytes).toStdString();
}

std::string Chars(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

void SetText(void* field, size_t fieldBytes, const std::string& text) {
  // The conversion writes only up to the terminator; zeroing first keeps
  // records comparable byte for byte.
  std::memset(field, 0, fieldBytes);
  ASSERT_EQ(FLN_COMM_ConvertCharToUniChar_NtoL(text.c_str(), field, fieldBytes), 1) << "does not fit: " << text;
}

int32_t Host(int32_t littleEndian) { return ZEL_EndianLong_LtoN(littleEndian); }

}  // namespace testsupport
