#pragma once
// Reading the metadata text file (".flx") back into an entry.
//
// Every key of kFlxKeys is looked up as its first "\n<key> " in the text. A
// value starts behind that pattern and ends where the next key's pattern
// begins; when the next key is missing, the key's FlxMissingNext says whether
// it ends at the text end (the end of the text less its final line feeds) or
// is dropped. A value over its reader limit is dropped: text counted in the
// UTF-16 units its field holds, so that every value the writer writes from a
// field reads back; other values in bytes.
//
// The last seven keys form a chain with a running end: it starts at
// "[en_os]" (or the text end without it); each of the keys from
// "[en_file_path]" to "[en_pdf_window_ordered_index]" ends at the running
// end, and when its value was taken without a line feed the running end moves
// to the key two places further down (none when that key is missing). A
// failed "[en_pdf_window_ordered_index]" moves the text end to the running
// end, and "[en_is_select_entrylist]" ends at the text end. Of the chain only
// values without a line feed are stored; the keys before it keep theirs.
//
// A file whose "[fln_version]" is kFlxVersionEscaped has its text values
// escaped (FlxEscape.h): there every key present ends where the next key
// present begins, the chain included, and text values are unescaped.
//
// A value that is not taken leaves its field zero. Text that does not fit its
// field leaves it zero too (StoreWholeText). Text that is not UTF-8 is
// refused whole, never altered. The reader never looks past the text's zero
// byte, whatever the file holds.

#include <cstddef>

#include "format/FlnRecords.h"

/// Sizes of the `before` and `after` buffers of MyGetParameter_in_Comma.
constexpr size_t kCommaBeforeSize = 64;
constexpr size_t kCommaAfterSize = 255;

/// Results of ReadFLXFile and ReadFLXFile_ByPDFPath.
enum : int {
  kFlxReadOk = 1,        // the file was read into the entry (also an empty file)
  kFlxReadMissing = 0,   // there is no such regular file, or it cannot be read
  kFlxReadNotUtf8 = -1,  // the file is not UTF-8 text; nothing of it was used
};

/// Splits `text` at its first comma: `before` (kCommaBeforeSize bytes)
/// receives the text before it, `after` (kCommaAfterSize bytes) the text
/// behind it. Without a comma `before` receives all of `text` and `after`
/// becomes empty. A part longer than its buffer allows is cut to fit; a
/// missing `text` gives two empty parts.
void MyGetParameter_in_Comma(const char* text, char* before, char* after);

/// Clears `entry` and fills it from `text`, the zero-terminated content of a
/// metadata text file. Numbers are leading decimal integers (white space,
/// an optional sign, digits; no digits give 0) of which 32-bit fields keep the
/// low 32 bits, 16-bit fields the low 16, "[en_detail_toggle]" the low 8;
/// "[en_is_select_entrylist]" becomes 1 for any number but 0. Rectangles are
/// "top,left,bottom,right", missing numbers 0. en_id is never filled: an
/// imported entry gets its identifier from its library. False, with `entry`
/// cleared, when `text` is not UTF-8.
bool FillEntry_FromFLXText(const char* text, FLN_ENTRY* entry);

/// Reads the metadata text file at `flxPath` into `entry` (FillEntry_FromFLXText).
/// kFlxReadOk when the file was read; otherwise `entry` is left as it was:
/// kFlxReadMissing when there is no such regular file or it cannot be read,
/// kFlxReadNotUtf8 when its text is not UTF-8.
int ReadFLXFile(const char* flxPath, FLN_ENTRY* entry);

/// ReadFLXFile of the metadata text file that belongs beside the PDF at
/// `pdfPath` (GenerateFLXFilePath_ByPDFPath); kFlxReadMissing also when no
/// such name can be formed.
int ReadFLXFile_ByPDFPath(const char* pdfPath, FLN_ENTRY* entry);
