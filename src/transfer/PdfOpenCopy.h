#pragma once
// Copies of the selected entries' PDFs for other programs to open (the
// system's PDF application, the file manager). They go into a folder the
// caller owns and removes (a private temporary folder), under the entries'
// own file names so that the other program shows a name the user knows, and
// are read-only: a change saved there would never reach the library. Unlike
// an export, nothing of the library changes and no metadata text file is
// written.

#include <string>
#include <vector>

#include "library/FlnData.h"
#include "transfer/PdfExport.h"

struct OpenCopyResult {
  std::vector<std::string> paths;       // the copies, in the order of the rows
  std::vector<ExportProblem> problems;  // entries without a copy, in the order of the rows
};

/// Writes the PDFs of the entries of the selected rows (`selectedRows`
/// are rows of shownRows; taken as a set, in ascending order) into a new
/// folder made inside `folder` for this call, each as its ExportBaseName
/// with ".pdf" (numbered like an export where two share a name), with mode
/// 0400. The bytes are checked against the PDF's digest first; an entry
/// whose PDF cannot be read or written is reported (NoPdf with its PdfFault,
/// or WriteFailed with errno) and leaves no file. The library is only read.
OpenCopyResult WritePdfCopiesForOpening(const FLN_DATA* flnData, const std::string& folder,
                                        const std::vector<int>& selectedRows);
