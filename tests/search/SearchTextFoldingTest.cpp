#include "search/SearchTextFolding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SearchFixtures.h"

using searchfixtures::EntriesFoldedEveryWay;
using searchfixtures::MakeEntry;
using searchfixtures::ReferenceSearchText;

namespace {

QString Units(const std::vector<char16_t>& units, size_t from, size_t length) {
  return QString(reinterpret_cast<const QChar*>(units.data() + from), static_cast<qsizetype>(length));
}

TEST(SearchTextFolding, EachTextIsItsFieldsJoinedAndFoldedWhole) {
  std::vector<char16_t> scratch = {u's'};
  for (const FLN_ENTRY& entry : EntriesFoldedEveryWay()) {
    SCOPED_TRACE(ReferenceSearchText(entry).toStdString());
    std::vector<char16_t> out = {u'x'};  // appended to
    AppendSearchText(entry, scratch, out);
    ASSERT_EQ(u'x', out.front());
    EXPECT_EQ(Units(out, 1, out.size() - 1), ReferenceSearchText(entry));
  }
}

// Records fold in chunks on two threads: whatever the count (none, less
// than a chunk, chunk boundaries, many chunks), each text lands in its
// record's place after what the buffers held, in the records' order.
TEST(SearchTextFolding, ManyRecordsFoldIntoTheirOwnPlacesInOrder) {
  const std::vector<FLN_ENTRY> kinds = EntriesFoldedEveryWay();
  std::vector<FLN_ENTRY> library;
  for (int32_t i = 0; i < 5000; ++i) {
    FLN_ENTRY entry = kinds[static_cast<size_t>(i) % kinds.size()];
    // A number of its own in every text, so that a text in another's place shows.
    SET_FIELD_TEXT(entry, en_supervisor_name, "Ｎｏ " + std::to_string(i));
    library.push_back(entry);
  }
  for (const size_t count : {size_t{0}, size_t{1}, size_t{511}, size_t{512}, size_t{513}, size_t{5000}}) {
    SCOPED_TRACE(std::to_string(count) + " records");
    std::vector<const FLN_ENTRY*> records;
    for (size_t i = 0; i < count; ++i) records.push_back(&library[i]);
    std::vector<char16_t> units = {u'k', u'e', u'p', u't'};
    std::vector<uint32_t> lengths = {4};
    AppendSearchTexts(records, units, lengths);
    ASSERT_EQ(lengths.size(), count + 1);
    EXPECT_EQ(Units(units, 0, 4), QStringLiteral("kept"));
    size_t at = 4;
    for (size_t i = 0; i < count; ++i) {
      ASSERT_LE(at + lengths[i + 1], units.size());
      ASSERT_EQ(Units(units, at, lengths[i + 1]), ReferenceSearchText(library[i])) << "record " << i;
      at += lengths[i + 1];
    }
    EXPECT_EQ(at, units.size()) << "nothing beyond the texts";
  }
}

}  // namespace
