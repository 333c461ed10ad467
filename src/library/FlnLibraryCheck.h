#pragma once
// Checking a library file whole: a walk over its container and over the
// records it holds, reporting what is there and what is broken ("folian-cli
// check" prints the report).

#include <cstdint>
#include <string>
#include <vector>

struct CheckedTag {
  int32_t tag;
  uint64_t members = 0;
  uint64_t dataBytes = 0;  // the members' data, without their 36-byte records
};

struct LibraryCheckReport {
  /// Set when the file could not be examined (missing, unreadable, not a ZEL
  /// container, another version, a path too long for a library); the rest
  /// of the report is then not to be shown.
  std::string cannotCheck;
  uint64_t fileSize = 0;
  std::vector<CheckedTag> tags;  // in tag chain order, as far as it could be walked
  /// Bytes that no reachable item covers: the file size minus the header,
  /// the root record and every item (record and data) reached through the
  /// chains. Removed items and the tail of a failed write are dead bytes.
  uint64_t deadBytes = 0;
  uint64_t unusedPdfs = 0;       // members of 'ATTD' that no entry's attachment names
  uint64_t unusedPdfBytes = 0;
  std::vector<std::string> damage;  // one line per fault found; empty for a sound library
  std::vector<std::string> warnings;  // findings that lose nothing (stale digests)
  int64_t verifiedPdfs = 0;       // PDFs in use whose bytes match their digest
  int64_t pdfsWithoutDigest = 0;  // PDFs in use without a digest
};

/// Examines the library file at `path`, reading only. Container faults: a
/// file shorter than the header, a broken tag or member chain (also a loop),
/// a back link that does not name the item before, a tag code that appears
/// twice in the tag chain, items that overlap, a record tag whose members
/// have another length than its record. Library faults, looked for only when
/// the container's faults (if any) lie in the member chain of 'ATTD': what
/// stops the library from loading, a level without its label, two entries
/// with one en_id, an entry without an attachment, one whose attachment
/// names a missing member of 'ATTD' or one behind a break in its chain (a
/// PDF that cannot be read), a stored en_id or at_id counter that is
/// missing or behind the identifiers in use (loading the library raises it;
/// the file still holds it so), and what AuditLibraryPdfs finds in the PDFs
/// (every PDF in use is read).
LibraryCheckReport CheckLibraryFile(const std::string& path);
