#pragma once
// The one message that lists, after an import or an export, the files that
// could not be handled, each with its reason.

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "library/FlnData.h"
#include "transfer/ImportFailure.h"
#include "transfer/PdfExport.h"

/// A short Japanese description of why a file was not imported.
QString ImportFailureReasonJapanese(ImportFailureReason reason);

/// `heading`, then the lines, at most `maxLines` of them: when there are
/// more, the last shown line sums up the rest as "ほか%d件".
QString FailureListMessage(const QString& heading, const std::vector<QString>& lines, int maxLines = 15);

/// FailureListMessage for the failures of an import: one "path — reason"
/// line per file or folder.
QString ImportFailureMessage(const std::vector<ImportFailure>& failures);

/// FailureListMessage for the files an import stored although they are no
/// PDF: one "path — PDFではありません" line per file.
QString NotPdfMessage(const std::vector<std::string>& paths);

/// FailureListMessage for the files of an import whose bytes the library
/// held already: one path per line, headed by whether they were `skipped`.
QString DuplicateListMessage(const std::vector<std::string>& paths, bool skipped);

/// FailureListMessage for the files an import took in under a name that is
/// not UTF-8: one line per file, the path as its entry holds it.
QString ImportDecodedNameMessage(const std::vector<ImportDecodedName>& names);

/// FailureListMessage for what was dropped on a library window that is
/// neither a PDF, a folder nor a library: one path (or address) per line.
QString DropRefusedMessage(const QStringList& refused);

/// A short Japanese description of an export problem.
QString ExportProblemJapanese(ExportProblemKind kind);

/// FailureListMessage for the problems of an export: one "title — problem"
/// line per entry, the title read from the entry shown in its row.
QString ExportProblemMessage(const std::vector<ExportProblem>& problems, const FLN_DATA* flnData);
