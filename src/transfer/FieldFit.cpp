#include "transfer/FieldFit.h"

#include "storage/FolianCommon.h"

QString CutText_ToUnits(const QString& text, size_t maxUnits) {
  if (static_cast<size_t>(text.size()) <= maxUnits) return text;
  qsizetype end = static_cast<qsizetype>(maxUnits);
  if (end > 0 && text.at(end - 1).isHighSurrogate()) --end;
  return text.left(end);
}

void StoreFittedText(const QString& text, void* field, size_t fieldBytes) {
  FLN_COMM_CopyUniStr_FromNSString_NtoL(CutText_ToUnits(text, TextUnitsOfField(fieldBytes)), field, fieldBytes);
}

bool StoreWholeText(const QString& text, void* field, size_t fieldBytes) {
  if (FLN_COMM_CopyUniStr_FromNSString_NtoL(text, field, fieldBytes) == 1) return true;
  // A field read back drops one leading mark, so the text may go without it
  // only when it cannot be taken for one.
  const size_t units = static_cast<size_t>(text.size());
  if (units + 1 != fieldBytes / sizeof(char16_t) || text.startsWith(QChar(0xFEFF)) || text.contains(QChar(u'\0')))
    return false;
  FLN_COMM_NtoL_UniChar(reinterpret_cast<const char16_t*>(text.utf16()), field);
  return true;
}
