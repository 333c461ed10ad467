#pragma once
// Merging another library file into the open library: every entry of the
// other library becomes an entry of this one, with its PDF, its categories
// and its fields, under new ids, the way an import takes in PDFs (stored
// first, linked in batches: ImportBatch.h). Whatever fails, stops or kills
// the merge, the library holds what it held before plus whole merged
// entries, each with its PDF.
//
// The other library is only read, never written and never locked: it may be
// open in a Folian window or in use by a command meanwhile. Its records are
// read once, at a moment when no change of it is under way; its PDFs are
// read afterwards, each checked against its digest (PDFs are never
// overwritten in a library file, only appended).

#include <string>

#include "library/FlnData.h"
#include "library/FlnResult.h"
#include "transfer/PdfImport.h"

struct MergeResult {
  /// Why the other library could not be read (nothing was merged then):
  /// not ok for a file that is no library, a damaged one, one that is being
  /// changed, or the library's own file.
  FlnResult other;
  /// As an import reports: `listed` the other library's entries, `imported`
  /// those added, `failures` named "TITLE (entry ID)" by the other library's
  /// title and en_id, `duplicates` those whose PDF the library held already,
  /// `notPdf` those whose stored bytes are no PDF. Stopped when `progress`
  /// asked to stop; LibraryUnavailable when this library's file cannot be
  /// written.
  ImportResult merged;
};

/// Merges the library file at `otherPath` into `flnData` and its file:
/// 1. Every category triple of the other library that names no reserved
///    category ("＜すべて＞", "＜変更しない＞") is added to the category table
///    if new.
/// 2. Each entry of the other library, in stored order, with the PDF its
///    first attachment names, becomes a new entry: the same fields with a new
///    en_id, without what belongs to the other library's windows
///    (ForgetEnvironment); its PDF stored with its digest under a new
///    attachment. An entry whose PDF cannot be read whole (missing, differing
///    from its digest or its file size) or that names a reserved category is
///    listed as failed. An entry whose PDF the library holds already is
///    listed in `duplicates` and, when `skipDuplicates`, left out.
/// 3. The library is saved, and the name arrays and shownRows are
///    rebuilt as an import leaves them (RefreshNamesAndShownEntries).
/// `progress` is called before each entry with its "TITLE (entry ID)" name.
MergeResult MergeLibraryFile(FLN_DATA* flnData, const char* otherPath, const ImportProgress& progress = nullptr,
                             bool skipDuplicates = false);
