#pragma once
// Exporting the PDFs of the selected entries into a folder, each beside its
// metadata text file (".flx"), so that another library can import both.
//
// Export never overwrites anything: an entry whose file name is paper.pdf
// goes to paper.pdf with paper.flx, or, when either of those names is taken,
// to paper-1.pdf with paper-1.flx, paper-2.pdf, and so on. Each PDF is first
// written completely under a temporary hidden name in the folder and then
// renamed to its final name with a rename that refuses to replace: a PDF is
// never seen half-written under its name, and a file that appears under the
// name meanwhile is not replaced either. The metadata text file's name is
// claimed (created empty, exclusively) just before the PDF takes its own.

#include <cstdint>
#include <string>
#include <vector>

#include "library/FlnAttachmentHash.h"
#include "library/FlnResult.h"
#include "library/FlnData.h"

enum class ExportProblemKind {
  NoPdf,               // no attachment record, or its PDF cannot be read from the library file
                       // or is not the PDF stored (ExportProblem::pdf says which)
  WriteFailed,         // the PDF could not be written into the folder (disk full, no permission)
  NameTooLong,         // the folder's path leaves no room for a name within 511 bytes
  NoFreeName,          // every numbered name tried is taken
  MetadataNotWritten,  // the PDF was exported, but its metadata text file could not be written
};

struct ExportProblem {
  int32_t row;   // the entry's row in shownRows
  int32_t enId;  // host order
  ExportProblemKind kind;
  int error = 0;  // errno of the failing call, where there was one
  PdfFault pdf = PdfFault::Unreadable;  // for NoPdf: what is wrong with the PDF
};

struct ExportedFile {
  int32_t row;
  int32_t enId;         // host order
  std::string pdfPath;
  std::string flxPath;  // empty when the metadata text file could not be written
};

enum class ExportStatus {
  Completed,           // every selected entry was handled (some may have problems)
  FolderUnusable,      // the folder does not exist or is not a folder; nothing was done
  LibraryUnavailable,  // flnData is not a loaded library; nothing was done
};

struct ExportResult {
  ExportStatus status = ExportStatus::Completed;
  std::vector<ExportedFile> exported;   // in the order of the rows
  std::vector<ExportProblem> problems;  // in the order of the rows
  FlnResult save;                       // success when the changed dates reached the library file; else why not
};

/// A short English description of `kind`, for logs and the command line.
const char* ExportProblemText(ExportProblemKind kind);

enum class ExportMode {
  WithMetadata,  // the export command: each PDF beside its metadata text file, the entries stamped
  PdfOnly,       // copies handed to another program (dragged out): the PDFs alone under their
                 // file names; no metadata text file, no entry changed, nothing saved
};

/// Exports the entries of the selected rows of the entry list (`selectedRows`
/// are rows of shownRows; taken as a set, in ascending order; rows without an
/// entry are passed over) into `folder`:
/// - the PDF's bytes exactly as stored, under ExportBaseName of en_file_name
///   and the numbering above (ExportPdfPath);
/// - beside it the metadata text file of the entry as exported: its
///   en_last_use_date is the time of the export, its en_update_date the one
///   from before;
/// - then the entry is written back into entry with
///   UpdateEntry, so both its last-use and its update date become the export
///   time, and the library is saved.
/// Each PDF is copied in pieces of at most kPdfPieceSize bytes and checked
/// against its digest (or, without one, the entry's en_file_size) as it is
/// copied; a PDF that differs from what was stored is reported (NoPdf, with
/// its PdfFault) and no file of it is left in the folder.
/// An entry whose PDF cannot be read or written is reported and left as it
/// was, and the export goes on with the next one. PDFs are read from the
/// library file in stored order whatever the order of the rows, so that the
/// file is walked once.
/// With ExportMode::PdfOnly only the PDFs are written (same names, same
/// checks); the entries and the library file stay as they are.
ExportResult ExportPDFFiles(FLN_DATA* flnData, const char* folder, const std::vector<int>& selectedRows,
                            ExportMode mode = ExportMode::WithMetadata);
