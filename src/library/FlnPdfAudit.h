#pragma once
// Reading every PDF a library's entries use and saying which are not what
// was stored: what "folian-cli check" reports about the PDFs.

#include <cstdint>
#include <string>
#include <vector>

#include "library/FlnData.h"

struct PdfFinding {
  std::string kind;  // groups findings of one sort (for a report that caps each sort)
  std::string line;  // names the entry and what is wrong
};

struct PdfAudit {
  std::vector<PdfFinding> damage;
  std::vector<std::string> warnings;  // nothing lost, but worth knowing
  int32_t verified = 0;       // PDFs whose bytes match their digest
  int32_t withoutDigest = 0;  // PDFs in use that have no digest ('check --fix' adds them)
};

/// Reads, in member order, every PDF that the first attachment of an entry
/// of the loaded library `data` names, from its file (read-only). Damage: a
/// PDF whose length or bytes differ from its digest, one that cannot be
/// read, two entries naming one PDF, an entry whose en_file_size is not its
/// PDF's length. Warnings: digests naming no attachment (stale: ignored) and
/// digest members that cannot be used.
PdfAudit AuditLibraryPdfs(const FLN_DATA* data);
