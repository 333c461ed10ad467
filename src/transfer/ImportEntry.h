#pragma once
// The entry an import builds for a PDF that has no metadata text file beside
// it: everything comes from the file itself and the running system.

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <string>

#include "format/FlnRecords.h"

/// What every entry built from a file records about the system it was
/// imported on: the running system's own name and version
/// (QSysInfo::prettyProductName()) and the host name.
struct ImportSystemFacts {
  QString os;
  QString machineName;
};
ImportSystemFacts CurrentImportSystemFacts();

/// The file's creation date: its birth time where the file system keeps one,
/// else its last modification; invalid when the file cannot be looked at.
QDateTime FileCreationDate(const std::string& path);

/// True when `path` can be kept whole: at most 511 bytes, and short enough
/// for an entry's en_file_path field. Longer paths are refused, never cut.
bool ImportPathFits(const std::string& path);

/// Fills `entry` (cleared first) for the PDF at `path` (which ImportPathFits):
/// en_file_name and en_title the last path component, en_file_path the path,
/// the three category names, en_os and en_machine_name from `facts`,
/// en_file_size `fileSize` (as a 32-bit number), en_file_create_date
/// `created` (left empty when invalid), en_create_date and en_update_date now.
/// en_id stays 0 for the caller to set. Every other field is zero or empty.
/// A text too long for its field is cut to fit at a character boundary; a
/// file name keeps its extension then ("<cut stem>.pdf").
void BuildEntry_FromFile(const std::string& path, int64_t fileSize, const QDateTime& created,
                         const char* const categories[3], const ImportSystemFacts& facts, FLN_ENTRY* entry);

/// Clears what a metadata text file tells of the entry's windows and
/// selection in the library it was exported from (en_entry_window_ordered_index,
/// en_pdf_window_ordered_index, en_is_select_entrylist): an imported entry
/// starts, like one built from a file, with no open windows and unselected.
/// The remembered window frames stay.
void ForgetWindowState(FLN_ENTRY* entry);

/// ForgetWindowState, and also what the entry remembers of the screen and
/// the windows of the library it comes from: the information and viewer
/// window frames, the stacking, focus, scroll, caret, selection and tab
/// positions and the details toggle, all zero. What a merge keeps of an
/// entry is its bibliographic fields, file facts, dates and categories.
void ForgetEnvironment(FLN_ENTRY* entry);
