#include "search/EntrySearchText.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <utility>

#include "search/SearchTextFolding.h"
#include "search/SearchWords.h"
#include "search/WordFinder.h"
#include "storage/TeskAryChanges.h"

namespace {

// The bytes whose stamps tell whether a text still holds: from the first
// searchable field to the end of the last. The few other fields in between
// (category names, dates, window places) only cost a needless fold when
// they change; the selection flag, set on many entries at once, lies
// outside.
constexpr int32_t kStampedFrom = static_cast<int32_t>(offsetof(FLN_ENTRY, en_file_name));
constexpr int32_t kStampedLength =
    static_cast<int32_t>(offsetof(FLN_ENTRY, en_translator_name) + sizeof(FLN_ENTRY::en_translator_name)) -
    kStampedFrom;
static_assert(offsetof(FLN_ENTRY, en_title) > offsetof(FLN_ENTRY, en_file_name) &&
                  offsetof(FLN_ENTRY, en_note) < offsetof(FLN_ENTRY, en_translator_name),
              "every searchable field lies within the stamped bytes");

bool HoldsEntries(TESK_ARY ary) {
  return Tesk_Ary_GetSize(ary) == 0 || ary->recordSize == static_cast<int32_t>(sizeof(FLN_ENTRY));
}

// Texts shorter than this never make a compaction worth its copy.
constexpr size_t kCompactAbove = size_t{1} << 20;

}  // namespace

QString EntrySearchTextOf(const FLN_ENTRY& entry) {
  std::vector<char16_t> scratch, text;
  AppendSearchText(entry, scratch, text);
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

int EntrySearchText::update(TESK_ARY entryAry) {
  try {
    if (followChanges(entryAry)) {
      foldPending(entryAry, SIZE_MAX);
      return 0;
    }
  } catch (const std::bad_alloc&) {
  }
  forgetAll();
  return -1;
}

bool EntrySearchText::foldAhead(TESK_ARY entryAry, int32_t budget) {
  try {
    if (!followChanges(entryAry)) return true;
    foldPending(entryAry, budget > 0 ? static_cast<size_t>(budget) : 0);
  } catch (const std::bad_alloc&) {
    return true;  // whatever was folded stays; update finds out what is missing
  }
  return _pendingFrom == _pending.size();
}

bool EntrySearchText::inStepWith(TESK_ARY entryAry) const {
  return HoldsEntries(entryAry) && _pendingFrom == _pending.size() && size() == Tesk_Ary_GetSize(entryAry) &&
         Tesk_Ary_ChangeStamp(entryAry, kStampedFrom, kStampedLength) == _arrayStamp;
}

bool EntrySearchText::followChanges(TESK_ARY entryAry) {
  if (!HoldsEntries(entryAry)) return false;
  const int32_t count = Tesk_Ary_GetSize(entryAry);
  const uint64_t arrayStamp = Tesk_Ary_ChangeStamp(entryAry, kStampedFrom, kStampedLength);
  if (arrayStamp == _arrayStamp && size() == count) return true;

  std::vector<uint64_t> now;
  Tesk_Ary_RecordStamps(entryAry, kStampedFrom, kStampedLength, &now);
  const size_t n = now.size();
  std::vector<Span> spans(n);
  std::vector<uint64_t> stamps(n, 0);
  std::vector<bool> taken(_spans.size(), false);
  // A record stamp seen before names the same bytes: its text is kept. Most
  // records are where they were (an edit changes one); those that moved
  // (records inserted or removed before them) are found by their stamp.
  const auto keep = [&](size_t p, size_t from) {
    spans[p] = _spans[from];
    stamps[p] = now[p];
    taken[from] = true;
  };
  std::vector<size_t> elsewhere;
  for (size_t p = 0; p < n; ++p) {
    if (now[p] != 0 && p < _stamps.size() && now[p] == _stamps[p]) {
      keep(p, p);
    } else {
      elsewhere.push_back(p);
    }
  }
  std::vector<std::pair<uint64_t, size_t>> earlier;  // (stamp, old position) not kept yet, by stamp
  if (!elsewhere.empty()) {
    for (size_t p = 0; p < _stamps.size(); ++p)
      if (!taken[p] && _stamps[p] != 0) earlier.emplace_back(_stamps[p], p);
    std::sort(earlier.begin(), earlier.end());
  }
  std::vector<Pending> pending;
  for (const size_t p : elsewhere) {
    const auto found = std::lower_bound(earlier.begin(), earlier.end(), std::make_pair(now[p], size_t{0}));
    if (now[p] != 0 && found != earlier.end() && found->first == now[p]) {
      keep(p, found->second);
    } else {
      pending.push_back(Pending{static_cast<int32_t>(p), now[p]});
    }
  }
  for (size_t p = 0; p < _spans.size(); ++p)
    if (!taken[p]) _deadUnits += _spans[p].length;
  _spans = std::move(spans);
  _stamps = std::move(stamps);
  _pending = std::move(pending);
  _pendingFrom = 0;
  _arrayStamp = arrayStamp;
  compactIfWasteful();
  return true;
}

void EntrySearchText::foldPending(TESK_ARY entryAry, size_t budget) {
  const size_t count = std::min(budget, _pending.size() - _pendingFrom);
  int wasLocked = 0;
  Tesk_Ary_Lock(entryAry, &wasLocked);
  try {
    std::vector<const FLN_ENTRY*> records(count);
    for (size_t i = 0; i < count; ++i)
      records[i] = static_cast<const FLN_ENTRY*>(Tesk_Ary_ReadDataPtr(entryAry, _pending[_pendingFrom + i].position));
    std::vector<uint32_t> lengths;
    size_t start = _units.size();
    AppendSearchTexts(records, _units, lengths);
    for (size_t i = 0; i < count; ++i) {
      const Pending& next = _pending[_pendingFrom + i];
      _spans[static_cast<size_t>(next.position)] = Span{start, lengths[i]};
      _stamps[static_cast<size_t>(next.position)] = next.stamp;
      start += lengths[i];
    }
    _pendingFrom += count;
  } catch (...) {
    Tesk_Ary_Unlock(entryAry, wasLocked);
    throw;
  }
  Tesk_Ary_Unlock(entryAry, wasLocked);
  if (_pendingFrom == _pending.size()) {
    _pending.clear();
    _pendingFrom = 0;
    compactIfWasteful();
  }
}

void EntrySearchText::compactIfWasteful() {
  if (_deadUnits < kCompactAbove || _deadUnits < _units.size() / 2) return;
  std::vector<char16_t> live;
  live.reserve(_units.size() - _deadUnits);
  for (Span& span : _spans) {
    const size_t start = live.size();
    live.insert(live.end(), _units.begin() + static_cast<std::ptrdiff_t>(span.start),
                _units.begin() + static_cast<std::ptrdiff_t>(span.start + span.length));
    span.start = start;
  }
  _units = std::move(live);
  _deadUnits = 0;
}

void EntrySearchText::forgetAll() { *this = EntrySearchText(); }

QString EntrySearchText::textAt(int32_t position) const {
  const Span& span = _spans[static_cast<size_t>(position)];
  return QString(reinterpret_cast<const QChar*>(_units.data() + span.start), static_cast<qsizetype>(span.length));
}

void EntrySearchText::pickMatching(const std::vector<int32_t>& positions, const QStringList& words,
                                   std::vector<int32_t>& rows) const {
  rows.clear();
  if (words.isEmpty()) {
    rows = positions;
    return;
  }
  const WordFinder finder(words);
  const auto matchesAt = [&](size_t p) {
    return finder.inEveryWord(_units.data() + _spans[p].start, _spans[p].length);
  };
  // A list of many entries is cheaper matched whole in the order of the
  // buffer, read front to back, than entry by entry in the list's order.
  if (positions.size() >= _spans.size() / 4) {
    std::vector<bool> matched(_spans.size());
    for (size_t p = 0; p < _spans.size(); ++p) matched[p] = matchesAt(p);
    for (const int32_t position : positions)
      if (matched[static_cast<size_t>(position)]) rows.push_back(position);
  } else {
    for (const int32_t position : positions)
      if (matchesAt(static_cast<size_t>(position))) rows.push_back(position);
  }
}
