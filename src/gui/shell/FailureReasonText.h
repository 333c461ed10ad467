#pragma once
// Why an operation on a library file failed, as one sentence for an alert's
// second line, in the user's language.

#include <QString>

#include "library/FlnResult.h"

/// The reason `result` carries, told for the user by its kind (a full disk, a
/// file another program replaced, a damaged library, a failed open, read or
/// write, ...), always in the window's language: the library's own English
/// reason text is never shown. When a system call failed, the system's text
/// for its errno follows in brackets. Empty for success.
QString FailureReasonText(const FlnResult& result);
