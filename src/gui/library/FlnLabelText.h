#pragma once
// The name of a level label as the category dialogs show it.

#include <QString>

#include "format/FlnRecords.h"
#include "storage/FolianCommon.h"

/// The label's name; the empty string for a level without a label (null).
inline QString FlnLabelText(const FLN_LABEL* label) {
  return label != nullptr ? FLN_COMM_CreateNSString_FromUniChar_LtoN(label->name, sizeof label->name)
                          : QString();
}
