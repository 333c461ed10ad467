#include "cli/CliCheck.h"

#include "library/FlnContainerCheck.h"

void PrintCheckReport(const std::string& path, const LibraryCheckReport& report, std::FILE* out) {
  std::fprintf(out, "%s: %llu bytes\n", path.c_str(), static_cast<unsigned long long>(report.fileSize));
  std::fprintf(out, "%-10s %10s %14s\n", "tag", "members", "data bytes");
  for (const CheckedTag& tag : report.tags)
    std::fprintf(out, "%-10s %10llu %14llu\n", TagText(tag.tag).c_str(), static_cast<unsigned long long>(tag.members),
                 static_cast<unsigned long long>(tag.dataBytes));
  std::fprintf(out, "dead bytes: %llu\n", static_cast<unsigned long long>(report.deadBytes));
  std::fprintf(out, "PDFs of no entry: %llu (%llu bytes)\n", static_cast<unsigned long long>(report.unusedPdfs),
               static_cast<unsigned long long>(report.unusedPdfBytes));
  if (report.verifiedPdfs + report.pdfsWithoutDigest != 0)
    std::fprintf(out, "PDFs matching their digest: %lld, without a digest: %lld%s\n",
                 static_cast<long long>(report.verifiedPdfs), static_cast<long long>(report.pdfsWithoutDigest),
                 report.pdfsWithoutDigest != 0 ? " (check --fix adds them)" : "");
  for (const std::string& line : report.warnings) std::fprintf(out, "warning: %s\n", line.c_str());
  if (report.damage.empty()) {
    std::fprintf(out, "no damage found\n");
    return;
  }
  for (const std::string& line : report.damage) std::fprintf(out, "damage: %s\n", line.c_str());
}
