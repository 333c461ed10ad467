#include "transfer/FieldFit.h"

#include "storage/FolianCommon.h"

std::string CutUtf8_ToBytes(const std::string& text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = maxBytes;
  // Back up over continuation bytes (10xxxxxx) to the lead byte of the
  // sequence that would be cut, and cut before it.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

QString CutText_ToUnits(const QString& text, size_t maxUnits) {
  if (static_cast<size_t>(text.size()) <= maxUnits) return text;
  qsizetype end = static_cast<qsizetype>(maxUnits);
  if (end > 0 && text.at(end - 1).isHighSurrogate()) --end;
  return text.left(end);
}

void StoreFittedText(const QString& text, void* field, size_t fieldBytes) {
  FLN_COMM_CopyUniStr_FromNSString_NtoL(CutText_ToUnits(text, TextUnitsOfField(fieldBytes)), field, fieldBytes);
}
