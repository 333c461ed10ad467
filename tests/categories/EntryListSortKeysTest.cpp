#include "categories/EntryListSortKeys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/EntryFieldKind.h"

namespace {

struct Keys {
  std::vector<int32_t> kinds;
  std::vector<int> ascend;
  bool operator==(const Keys& o) const { return kinds == o.kinds && ascend == o.ascend; }
};

void PrintTo(const Keys& k, std::ostream* os) {
  *os << testing::PrintToString(k.kinds) << " / " << testing::PrintToString(k.ascend);
}

FLN_ENTRY_LIST_INFO Info(const Keys& k) {
  FLN_ENTRY_LIST_INFO info{};
  for (int i = 0; i < 3; ++i) {
    info.sortFieldKind[i] = k.kinds[i];
    info.sortFieldAscend[i] = static_cast<uint8_t>(k.ascend[i]);
  }
  return info;
}

Keys KeysOf(const FLN_ENTRY_LIST_INFO& info) {
  return {{info.sortFieldKind[0], info.sortFieldKind[1], info.sortFieldKind[2]},
          {info.sortFieldAscend[0], info.sortFieldAscend[1], info.sortFieldAscend[2]}};
}

constexpr int32_t kTitle = kEntryFieldTitle, kAuthor = kEntryFieldAuthor, kCat1 = kEntryFieldCat1,
                  kSize = kEntryFieldFileSize, kNone = kEntryFieldNone;

TEST(EntryListSortKeys, AClickSequenceKeepsEachKeysOwnDirection) {
  // Each click starts from the keys the one before left.
  struct Click {
    const char* key;
    bool tableAsksAscending;
    Keys after;
  } clicks[] = {
      // A new column goes in front with the direction the table asks for.
      {"author", true, {{kAuthor, kTitle, kNone}, {1, 1, 0}}},
      // The second key comes back to the front with its remembered direction.
      {"title", false, {{kTitle, kAuthor, kNone}, {1, 1, 0}}},
      // The primary key clicked again: only its direction changes.
      {"title", false, {{kTitle, kAuthor, kNone}, {0, 1, 0}}},
      {"title", true, {{kTitle, kAuthor, kNone}, {1, 1, 0}}},
      {"fileSize", false, {{kSize, kTitle, kAuthor}, {0, 1, 1}}},
      {"title", false, {{kTitle, kSize, kAuthor}, {1, 0, 1}}},
      // The third key moves to the front with its own direction.
      {"author", false, {{kAuthor, kTitle, kSize}, {1, 1, 0}}},
      // A fourth column drops the third key.
      {"cat1", false, {{kCat1, kAuthor, kTitle}, {0, 1, 1}}},
  };
  FLN_ENTRY_LIST_INFO info = Info({{kTitle, kNone, kNone}, {1, 0, 0}});
  for (const Click& click : clicks) {
    SCOPED_TRACE(click.key);
    info = GetEntryListInfo_ByHeaderClick(info, click.key, click.tableAsksAscending);
    EXPECT_EQ(click.after, KeysOf(info));
  }
}

TEST(EntryListSortKeys, ANameThatIsNoColumnLeavesTheKeys) {
  const FLN_ENTRY_LIST_INFO info = Info({{kTitle, kNone, kNone}, {1, 0, 0}});
  for (const char* key : {static_cast<const char*>(nullptr), "", "Title", "nosuch", "title "}) {
    SCOPED_TRACE(key ? key : "null");
    EXPECT_EQ(KeysOf(info), KeysOf(GetEntryListInfo_ByHeaderClick(info, key, false)));
  }
}

}  // namespace
