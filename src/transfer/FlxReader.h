#pragma once
// Reading the metadata text file (".flx") back into an entry.
//
// Every key of kFlxKeys is looked up as its first "\n<key> " in the text. A
// value starts behind that pattern and ends where the next key's pattern
// begins; when the next key is missing, the key's FlxMissingNext says whether
// it ends at the text end (the end of the text less its final line feeds) or
// is dropped. A value as long as its reader limit or longer is dropped.
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
// A value that is not taken leaves its field zero. Text that does not fit its
// field leaves it zero too (FLN_COMM_ConvertCharToUniChar_NtoL). The reader
// never looks past the text's zero byte, whatever the file holds.

#include <cstddef>

#include "library/FlnRecords.h"

/// Sizes of the `before` and `after` buffers of MyGetParameter_in_Comma.
constexpr size_t kCommaBeforeSize = 64;
constexpr size_t kCommaAfterSize = 255;

/// Takes the value of `key` from a text. `keyPos` points at the line feed of
/// the key's pattern "\n<key> " in the text, `end` at the value's end in the
/// same text; either may be null (nothing is taken). The value (from behind
/// the pattern to `end`) is copied with a zero byte into `out` only when its
/// length plus one is at most `outSize`; otherwise `out` is left as it was.
/// Returns true when it was copied and holds no line feed. A value copied
/// with line feeds stays in `out` and gives false.
bool MyGetStringParameter(const char* key, const char* keyPos, const char* end, char* out, size_t outSize);

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
/// imported entry gets its identifier from its library.
void FillEntry_FromFLXText(const char* text, FLN_ENTRY* entry);

/// Reads the metadata text file at `flxPath` into `entry` (FillEntry_FromFLXText).
/// Returns 1 when the file was read, also when it is empty; 0 when there is no
/// such regular file or it cannot be read, leaving `entry` as it was.
int ReadFLXFile(const char* flxPath, FLN_ENTRY* entry);

/// ReadFLXFile of the metadata text file that belongs beside the PDF at
/// `pdfPath` (GenerateFLXFilePath_ByPDFPath); 0 also when no such name can be formed.
int ReadFLXFile_ByPDFPath(const char* pdfPath, FLN_ENTRY* entry);
