#pragma once
// Importing PDFs into the open library: what happens once the user has
// chosen a file or folder and the three categories in the import panel.
//
// Every PDF is stored before anything refers to it: its bytes are appended
// to the library file's 'ATTD' first, and only then do its FLN_ATTACHMENT
// record and its entry come into being, in that order also on disk (the
// attachment records are saved before the entries). Whatever fails or stops
// the import, the library file and FLN_DATA never hold an entry whose PDF is
// missing, and nothing that the library held before is changed: a failed
// append is undone by the container, and a PDF that cannot be stored is
// reported instead of imported.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "library/FlnData.h"
#include "library/FlnResult.h"
#include "transfer/ImportFailure.h"
#include "transfer/PdfTitleInfo.h"

/// Called before each file with the number of files handled so far, the
/// number of files to handle and the file about to be handled. Returning
/// false stops the import before that file; what was imported until then
/// stays and is saved.
using ImportProgress = std::function<bool(int32_t done, int32_t total, const std::string& path)>;

enum class ImportStatus {
  Completed,            // every listed file was handled (some may have failed)
  Stopped,              // the progress callback asked to stop
  LibraryUnavailable,   // flnData is not a loaded library, its file cannot be opened for writing
                        // (or its 'ATTD' chain is damaged), or memory ran out for the plain triple;
                        // nothing was imported, and the result's save says why
  CategoryNameTooLong,  // a category text does not fit a category name (CategoryNameFits)
};

struct ImportResult {
  ImportStatus status = ImportStatus::Completed;
  int32_t listed = 0;    // files found to import
  int32_t imported = 0;  // entries added
  /// Success when every change reached the library file (or nothing was
  /// changed); otherwise why not: the last save's failure, or why the
  /// library file could not be opened for writing (LibraryUnavailable).
  FlnResult save;
  std::vector<ImportFailure> failures;  // files and folders not imported, in the order met
  // Files imported as asked although their bytes are no PDF (LooksLikePdf),
  // in the order met, so that the user can be told.
  std::vector<std::string> notPdf;
  /// Files whose bytes the library held already (by their digest, also those
  /// imported earlier in this import), in the order met: imported anyway, or
  /// passed over when duplicates are skipped.
  std::vector<std::string> duplicates;
  std::vector<ImportDecodedName> decodedNames;  // files imported under a name that is not UTF-8
};

/// Entries saved with their attachments at least once per this many stored
/// PDFs, so that a long import that dies leaves most of its work behind.
constexpr int32_t kImportSaveInterval = 100;

/// Imports `chosenPath` (a PDF, or a folder whose PDFs at any depth are all
/// imported) into `flnData` and its library file:
/// 1. The plain categories are the three combo-box texts, an empty one
///    becoming "その他"; their triple is added to the category table if new.
/// 2. `panelFolder` (the folder the panel showed) is remembered as 'PM01'
///    after a folder import or 'PM02' after a file import, in the library
///    file and in the preference file (not when it needs 256 bytes or more).
/// 3. Each PDF becomes one entry: from its metadata text file (".flx" beside
///    it, ReadImportFlx) when there is one, else from the file itself
///    (BuildEntry_FromFile with the plain categories; with `readInfo`, a
///    PDF's plausible title and author from its own document information
///    replace the file name as title, FillEntryFromPdfInfo), with a new en_id either
///    way; an entry read from a metadata text file adds its own category
///    triple if new (a file whose categories include kCategoryAll or
///    kCategoryNoChange is not imported: ImportFailureReason::ReservedCategory),
///    takes the PDF's real size as en_file_size and starts without open
///    windows and unselected (ForgetWindowState). Its bytes are read once and
///    stored as a new member of 'ATTD', then their digest into 'HASH', linked
///    by a new FLN_ATTACHMENT. A PDF whose bytes the library holds already is
///    listed in `duplicates` and, when `skipDuplicates`, not imported (and no
///    failure). Opening the library for the import first gives its PDFs
///    without a digest one.
/// 4. The library is saved (SaveAll), the name arrays cat1Ary..cat3Ary are
///    rebuilt from the whole category table and sorted, and shownRows is
///    set to the entries of the current choices lastSelectCat1..3 in stored
///    order (QueryEntryRows); the window reloads its lists.
/// Files that are not imported are listed in the result with their reason:
/// paths over 511 bytes (never cut), unreadable folders and files, a metadata
/// text file that is not UTF-8, no regular file or over kFlxMaxSize, a
/// library file that would pass 4 GiB, a failed write. The others are still
/// imported. A file whose entry is built from a path that is not UTF-8 is
/// imported and listed in decodedNames.
ImportResult ImportPDFFiles(FLN_DATA* flnData, const char* chosenPath, const char* panelFolder,
                            const char* comboCat1, const char* comboCat2, const char* comboCat3,
                            const ImportProgress& progress = nullptr, bool skipDuplicates = false,
                            const PdfInfoReader& readInfo = nullptr);

/// Imports every path of `paths` (PDFs, and folders whose PDFs at any depth
/// are all imported) as ImportPDFFiles imports one, all in one import: one
/// progress over all their files, one result. No folder is remembered for
/// the import panels. For files and folders dropped on the window.
ImportResult ImportPDFPaths(FLN_DATA* flnData, const std::vector<std::string>& paths, const char* comboCat1,
                            const char* comboCat2, const char* comboCat3, const ImportProgress& progress = nullptr,
                            bool skipDuplicates = false, const PdfInfoReader& readInfo = nullptr);
