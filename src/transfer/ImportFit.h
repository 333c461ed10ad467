#pragma once
// How much an import adds to the library file, counted before anything is
// written, so that a PDF whose bytes would still fit below the container's
// limit but whose records would not is refused whole instead of being stored
// without an entry.

#include <cstdint>
#include <string>

#include "library/FlnData.h"
#include "format/ZelFormat.h"

/// Bytes that storing one PDF of `pdfBytes` bytes appends at once: its data
/// item in 'ATTD' and its digest item in 'HASH'.
uint64_t ImportStoredGrowth(const zel::RecordLayout& layout, uint64_t pdfBytes);
/// Bytes that the next save appends for one imported PDF: its attachment and
/// entry records.
uint64_t ImportRecordGrowth(const zel::RecordLayout& layout);
/// Bytes that the next save appends for `count` new category triples.
uint64_t ImportTripleGrowth(const zel::RecordLayout& layout, int32_t count);
/// Bytes a save after an import may append once, whatever was imported: the
/// sort records and the entry and attachment counters of a library that has
/// none yet.
uint64_t ImportGrowthOnce(const zel::RecordLayout& layout);

/// What importing a file or folder would do to the library's size.
struct ImportFitCheck {
  bool fits = true;       // everything listed can be stored within the library file's limit
  bool wide = false;      // the library file has 64-bit offsets already (container version 3)
  uint64_t needed = 0;    // bytes the import would add at most (every listed file stored)
  uint64_t fileSize = 0;  // the library file's size now
};

/// Counts what importing `chosenPath` (a PDF, or every PDF below a folder,
/// as ImportPDFFiles lists them) into the library file of `flnData` would
/// add at most: the remembered folder, ImportGrowthOnce, and per file its
/// stored and record growth with one new category triple, and whether it still
/// fits the file's container version. A library file that cannot be read,
/// and files that cannot be measured, count as fitting: the import itself
/// then says what is wrong with them.
ImportFitCheck CheckImportFits(const FLN_DATA* flnData, const std::string& chosenPath);
