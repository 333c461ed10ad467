#pragma once
// "folian-cli check": the report of CheckLibraryFile, printed.

#include <cstdio>
#include <string>

#include "library/FlnLibraryCheck.h"

/// Writes the report: the file size, one line per tag with its member count
/// and data bytes, the dead bytes, the unused PDFs, how many PDFs matched
/// their digest and how many have none (when any PDF is in use), the
/// warnings and then each fault, or "no damage found".
void PrintCheckReport(const std::string& path, const LibraryCheckReport& report, std::FILE* out);
