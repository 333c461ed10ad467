#pragma once
// The names exported PDFs get. An entry's en_file_name is text from the
// library or from a metadata text file of unknown origin, so it is made into
// one plain name inside the chosen folder before use: it can never name
// another folder, climb out of this one or hide the file.

#include <cstddef>
#include <string>

/// Bytes of a base name at most (the name buffers of export hold 128).
constexpr size_t kExportBaseNameMax = 127;
/// The base name used when the file name leaves nothing to use.
constexpr char kExportFallbackBaseName[] = "untitled";

/// The base name of an export for the entry file name `fileName` (UTF-8):
/// every "/" becomes "_" and leading "." are dropped; then the name is cut
/// before its last "." ("report.final.pdf" gives "report.final"; a name
/// without "." is used whole) and shortened to kExportBaseNameMax bytes at a
/// character boundary. An empty result gives kExportFallbackBaseName.
std::string ExportBaseName(const std::string& fileName);

/// "<folder>/<base>.pdf" for `number` 0 and "<folder>/<base>-<number>.pdf"
/// otherwise, `base` shortened at a character boundary so that the path
/// takes at most 511 bytes. Empty when not one character of the base fits.
std::string ExportPdfPath(const std::string& folder, const std::string& base, int number);
