#include "search/SearchTextFolding.h"

#include <QString>
#include <atomic>
#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>

#include "format/FieldText.h"
#include "textfold/SearchFold.h"

namespace {

struct FieldSpan {
  size_t offset;
  size_t bytes;
};

// The searchable fields, in the order their texts are joined.
const FieldSpan kSearchedFields[] = {
    {offsetof(FLN_ENTRY, en_title), sizeof(FLN_ENTRY::en_title)},
    {offsetof(FLN_ENTRY, en_file_name), sizeof(FLN_ENTRY::en_file_name)},
    {offsetof(FLN_ENTRY, en_author_name), sizeof(FLN_ENTRY::en_author_name)},
    {offsetof(FLN_ENTRY, en_editor_name), sizeof(FLN_ENTRY::en_editor_name)},
    {offsetof(FLN_ENTRY, en_supervisor_name), sizeof(FLN_ENTRY::en_supervisor_name)},
    {offsetof(FLN_ENTRY, en_publisher_name), sizeof(FLN_ENTRY::en_publisher_name)},
    {offsetof(FLN_ENTRY, en_translator_name), sizeof(FLN_ENTRY::en_translator_name)},
    {offsetof(FLN_ENTRY, en_note), sizeof(FLN_ENTRY::en_note)},
};

// Records folded by one thread at a time: small enough that the two threads
// end close together, large enough that taking one costs nothing.
constexpr size_t kChunk = 512;

// Records ahead of the one being folded whose fields are asked for early:
// records lie kilobytes apart, so each field read is a cache miss the
// processor does not see coming, and asking early lets several overlap.
constexpr size_t kPrefetchAhead = 6;

void PrefetchSearchedFields(const FLN_ENTRY* entry) {
  const auto* base = reinterpret_cast<const char*>(entry);
  for (const FieldSpan& field : kSearchedFields) {
    __builtin_prefetch(base + field.offset);
    __builtin_prefetch(base + field.offset + 64);
  }
}

struct FoldedChunk {
  std::vector<char16_t> units;
  std::vector<uint32_t> lengths;
};

}  // namespace

void AppendSearchText(const FLN_ENTRY& entry, std::vector<char16_t>& scratch, std::vector<char16_t>& out) {
  scratch.clear();
  const auto* base = reinterpret_cast<const unsigned char*>(&entry);
  for (const FieldSpan& field : kSearchedFields) {
    // Empty fields before the first text add no line break.
    if (!scratch.empty()) scratch.push_back(u'\n');
    AppendFieldTextUtf16(base + field.offset, field.bytes, scratch);
  }
  // The whole text is folded at once, never field by field: normalization
  // may treat a text differently for what another field holds.
  const QString folded = FoldForSearch(
      QString::fromRawData(reinterpret_cast<const QChar*>(scratch.data()), static_cast<qsizetype>(scratch.size())));
  // constData, not utf16: that would copy text it does not own to end it.
  const auto* units = reinterpret_cast<const char16_t*>(folded.constData());
  out.insert(out.end(), units, units + folded.size());
}

void AppendSearchTexts(const std::vector<const FLN_ENTRY*>& records, std::vector<char16_t>& units,
                       std::vector<uint32_t>& lengths) {
  std::vector<FoldedChunk> chunks((records.size() + kChunk - 1) / kChunk);
  std::atomic<size_t> next{0};
  std::exception_ptr failure;  // of the helper thread; the calling thread's propagates after the join
  const auto foldChunks = [&] {
    std::vector<char16_t> scratch;
    for (size_t c = next++; c < chunks.size(); c = next++) {
      FoldedChunk& chunk = chunks[c];
      const size_t end = std::min(records.size(), (c + 1) * kChunk);
      for (size_t i = c * kChunk; i < end; ++i) {
        if (i + kPrefetchAhead < end) PrefetchSearchedFields(records[i + kPrefetchAhead]);
        const size_t before = chunk.units.size();
        AppendSearchText(*records[i], scratch, chunk.units);
        chunk.lengths.push_back(static_cast<uint32_t>(chunk.units.size() - before));
      }
    }
  };
  std::thread helper;
  if (chunks.size() > 1) {
    try {
      helper = std::thread([&] {
        try {
          foldChunks();
        } catch (...) {
          failure = std::current_exception();
          next = chunks.size();  // the calling thread stops taking chunks too
        }
      });
    } catch (const std::system_error&) {
      // No thread to be had: the calling thread folds every chunk.
    }
  }
  try {
    foldChunks();
  } catch (...) {
    next = chunks.size();
    if (helper.joinable()) helper.join();
    throw;
  }
  if (helper.joinable()) helper.join();
  if (failure) std::rethrow_exception(failure);

  size_t unitCount = units.size();
  for (const FoldedChunk& chunk : chunks) unitCount += chunk.units.size();
  units.reserve(unitCount);
  lengths.reserve(lengths.size() + records.size());
  for (const FoldedChunk& chunk : chunks) {
    units.insert(units.end(), chunk.units.begin(), chunk.units.end());
    lengths.insert(lengths.end(), chunk.lengths.begin(), chunk.lengths.end());
  }
}
