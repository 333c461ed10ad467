#pragma once
// Filling the selected entries' titles and authors in again from their
// PDFs' own document information, as an import does for a PDF without a
// metadata text file.

#include <cstdint>
#include <vector>

#include "library/FlnData.h"
#include "transfer/PdfExport.h"
#include "transfer/PdfTitleInfo.h"

struct PdfInfoRefillResult {
  int32_t changed = 0;                  // entries whose title or author changed
  int32_t withoutInfo = 0;              // entries whose PDF names no plausible title or author
  std::vector<ExportProblem> problems;  // entries whose PDF cannot be read (NoPdf), in row order
  FlnResult save;                       // success when the changes reached the library file; else why not
};

/// For the entries of the selected rows (`selectedRows` are rows of shownRows;
/// taken as a set): reads each one's PDF from the library (checked against
/// its digest) and sets its en_title and en_author_name from it
/// (FillEntryFromPdfInfo); an entry whose fields change gets en_update_date
/// now and is written back into entry (UpdateEntry). The
/// library is saved when anything changed.
PdfInfoRefillResult RefillTitlesFromPdfInfo(FLN_DATA* flnData, const std::vector<int>& selectedRows,
                                            const PdfInfoReader& reader);
