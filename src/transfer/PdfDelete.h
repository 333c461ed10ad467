#pragma once
// Deleting the selected entries from the library, once the user has
// confirmed. An entry goes with its FLN_ATTACHMENT record; its PDF's bytes
// stay in the library file (members of 'ATTD' are never removed, so every
// other attachment's dataIndex stays valid), and the category table is left
// as it is.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "library/FlnData.h"
#include "library/FlnResult.h"

/// How many titles the delete question names before it only counts the rest.
constexpr int kDeleteConfirmTitleCount = 5;

/// The question the window asks first, with the buttons "いいえ" (default)
/// and "はい", naming what goes: one entry by its title in 「」; several by
/// their count, then the first kDeleteConfirmTitleCount titles one a line
/// and "ほかN件" for the rest. A title longer than 60 characters is cut with
/// "…" so that the question stays readable.
QString DeletePdfConfirmMessage(const QStringList& titles);

/// The titles of the entries of the selected rows (rows of
/// shownRows, in row order); an entry without a title is named by its
/// file name, one without either by "（題名なし）".
QStringList SelectedEntryTitles(const FLN_DATA* flnData, const std::vector<int>& selectedRows);

/// How the window layer closes the windows of an entry that is about to go:
/// called with the entry's en_id as stored. Empty where no windows are open
/// (the command line).
using EntryWindowCloser = std::function<void(int32_t storedId)>;

struct DeleteResult {
  int32_t deleted = 0;  // entries removed
  FlnResult save;       // how writing the library file ended: success, or why it was not written
};

/// Deletes the entries of the selected rows of the entry list (`selectedRows`
/// are rows of shownRows, taken as a set). First `closeWindows` closes the
/// windows of each of them, in row order, before anything is removed. Then
/// for each the first entry with its en_id goes from entry (ForgetEntryRows keeps the rows in step), and
/// the first attachment record with its en_id from attachment, with its
/// digest in 'HASH'; a missing one is passed over. The remaining entries are
/// marked as not selected (en_is_select_entrylist 0) and the library is
/// saved, the digests removed in the same change. The window rebuilds its
/// entry list afterwards and selects no row.
/// Nothing happens, and nothing is saved, without selected entries.
DeleteResult DeletePDFEntries(FLN_DATA* flnData, const std::vector<int>& selectedRows,
                              const EntryWindowCloser& closeWindows);
