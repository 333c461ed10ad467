#pragma once
// Why an operation on a library file failed, as one sentence for an alert's
// second line, in the user's language.

#include <QString>

#include "library/FlnResult.h"

/// The reason `result` carries, told for the user: a full disk, a file that
/// another program replaced, a damaged library, or a failed read, write or
/// open with the system's own text for its errno. Empty for success, and for
/// a failure that carries no reason.
QString FailureReasonText(const FlnResult& result);
