#include "transfer/PdfDelete.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <string>

#include "TestFiles.h"
#include "TransferTestSupport.h"
#include "format/Endian.h"
#include "format/FieldText.h"
#include "transfer/PdfExport.h"
#include "transfer/PdfImport.h"
#include "library/FlnLoad.h"
#include "library/FlnSave.h"

namespace {

using namespace transfertest;

class PdfDeleteTest : public SandboxLibraryTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SandboxLibraryTest::SetUp());
    pdf_ = box_.writePdf("paper.pdf", 700, 1);
    for (int i = 0; i < 3; ++i)  // three entries of one and the same file
      ASSERT_EQ(ImportPDFFiles(&library_.data, box_.path("paper.pdf").c_str(), box_.root().c_str(), "", "", "").imported, 1);
    entries_ = Entries(library_.data.entry);
  }

  int32_t IdOfRow(int32_t row) {
    FLN_ENTRY e;
    EXPECT_EQ(GetFLNEntry_ByFLNData(&library_.data, row, &e), 1);
    return Host(e.en_id);
  }

  bool InLibrary(int32_t id) {
    for (const FLN_ENTRY& e : Entries(library_.data.entry))
      if (Host(e.en_id) == id) return true;
    return false;
  }

  QByteArray pdf_;
  std::vector<FLN_ENTRY> entries_;
};

TEST_F(PdfDeleteTest, ClosesTheWindowsOfEachEntryBeforeRemovingIt) {
  const int32_t first = IdOfRow(0), second = IdOfRow(1), kept = IdOfRow(2);
  std::vector<int32_t> closed;  // in call order, host order
  const DeleteResult result = DeletePDFEntries(&library_.data, {1, 0}, [&](int32_t storedId) {
    const int32_t id = ZEL_EndianLong_LtoN(storedId);
    EXPECT_TRUE(InLibrary(id)) << "the windows of entry " << id << " were closed after the entry went";
    closed.push_back(id);
  });
  EXPECT_EQ(result.deleted, 2);
  EXPECT_TRUE(result.save.ok());
  // Row order, once per entry; the kept entry's windows stay.
  EXPECT_EQ(closed, (std::vector<int32_t>{first, second}));
  EXPECT_FALSE(InLibrary(first));
  EXPECT_FALSE(InLibrary(second));
  EXPECT_TRUE(InLibrary(kept));
}

TEST_F(PdfDeleteTest, RemovesOnlyTheEntryAndItsOwnAttachmentAndKeepsThePdfBytes) {
  const int32_t gone = IdOfRow(1);
  const auto sizeBefore = QFileInfo(QString::fromStdString(libraryPath_)).size();
  const DeleteResult result = DeletePDFEntries(&library_.data, {1}, EntryWindowCloser());
  EXPECT_EQ(result.deleted, 1);

  Library reloaded;
  Load(libraryPath_, &reloaded);
  const std::vector<FLN_ENTRY> left = Entries(reloaded.data.entry);
  ASSERT_EQ(left.size(), 2u);
  std::vector<int32_t> dataIndexes;
  for (const FLN_ATTACHMENT& a : Attachments(reloaded.data.attachment)) {
    EXPECT_NE(Host(a.en_id), gone);
    dataIndexes.push_back(Host(a.dataIndex));
  }
  EXPECT_EQ(dataIndexes, (std::vector<int32_t>{0, 2}));
  for (const FLN_ENTRY& e : left) {
    EXPECT_NE(Host(e.en_id), gone);
    EXPECT_EQ(e.en_is_select_entrylist, 0);
    EXPECT_EQ(StoredPdf(reloaded.data, Host(e.en_id)), pdf_);
  }
  EXPECT_GE(QFileInfo(QString::fromStdString(libraryPath_)).size(), sizeBefore) << "the PDF's bytes stay";
  // The list no longer shows it, and the other entries of the same file still export.
  EXPECT_EQ(static_cast<int32_t>(library_.data.shownRows.size()), 2);
  box_.makeFolder("out");
  EXPECT_EQ(ExportPDFFiles(&library_.data, box_.path("out").c_str(), {0, 1}).exported.size(), 2u);
}

// The list holds row numbers into the entries; removing an entry moves every
// later one down. Without the rows following, a row would show the entry
// after its own, or nothing, until the list is made again.
struct RowsAfterDelete {
  const char* what;
  std::vector<int32_t> rows;  // the list before, as indexes of the three entries
  int deletedRow;
  std::vector<size_t> shownAfter;  // which of the three entries each row shows after
};

void PrintTo(const RowsAfterDelete& c, std::ostream* os) { *os << c.what; }

class PdfDeleteRowsTest : public PdfDeleteTest, public testing::WithParamInterface<RowsAfterDelete> {};

TEST_P(PdfDeleteRowsTest, TheRowsLeftShowTheirOwnEntriesBeforeTheListIsMadeAgain) {
  const RowsAfterDelete& c = GetParam();
  library_.data.shownRows = c.rows;
  const DeleteResult r = DeletePDFEntries(&library_.data, {c.deletedRow}, EntryWindowCloser());
  ASSERT_TRUE(r.save.ok());
  ASSERT_EQ(r.deleted, 1);
  ASSERT_EQ(library_.data.shownRows.size(), c.shownAfter.size());
  for (size_t row = 0; row < c.shownAfter.size(); ++row)
    EXPECT_EQ(IdOfRow(static_cast<int32_t>(row)), Host(entries_[c.shownAfter[row]].en_id)) << "row " << row;
}

INSTANTIATE_TEST_SUITE_P(
    ListOrders, PdfDeleteRowsTest,
    testing::Values(RowsAfterDelete{"sorted backwards, the middle one deleted", {2, 1, 0}, 1, {2, 0}},
                    RowsAfterDelete{"the first stored entry deleted", {2, 0, 1}, 1, {2, 1}},
                    RowsAfterDelete{"narrowed to two, the rows move down", {1, 2}, 0, {2}}),
    [](const testing::TestParamInfo<RowsAfterDelete>& info) { return "Case" + std::to_string(info.index); });

TEST_F(PdfDeleteTest, WithoutSelectedEntriesNothingHappens) {
  const std::vector<uint8_t> before = readAll(libraryPath_);
  bool called = false;
  const EntryWindowCloser closers = [&](int32_t) { called = true; };
  for (const std::vector<int>& rows : {std::vector<int>{}, std::vector<int>{3, -1}}) {
    const DeleteResult result = DeletePDFEntries(&library_.data, rows, closers);
    EXPECT_EQ(result.deleted, 0);
  }
  EXPECT_FALSE(called);
  EXPECT_EQ(Tesk_Ary_GetSize(library_.data.entry), 3);
  EXPECT_EQ(readAll(libraryPath_), before);
}

// Entries are found by id through the array's index of ids, which must follow
// the records as they move and as more come; a library with two records of
// one id (a damaged file) loses both when both are chosen, as a walk would.
TEST_F(PdfDeleteTest, FindsTheChosenEntriesAfterTheyMovedAndWhenTwoShareAnId) {
  FLN_ENTRY e = entries_[0];
  ASSERT_EQ(UpdateEntry(library_.data.entry, &e), 1);  // the index of ids is made
  Tesk_Ary_Swap(library_.data.entry, 0, 2);
  ASSERT_EQ(ImportPDFFiles(&library_.data, box_.path("paper.pdf").c_str(), box_.root().c_str(), "", "", "").imported, 1);
  const std::vector<FLN_ENTRY> before = Entries(library_.data.entry);  // 2, 1, 0, new
  ASSERT_EQ(before.size(), 4u);
  library_.data.shownRows = {0, 1, 2, 3};

  DeleteResult r = DeletePDFEntries(&library_.data, {3, 0}, EntryWindowCloser());
  ASSERT_TRUE(r.save.ok());
  EXPECT_EQ(r.deleted, 2);
  std::vector<int32_t> left, attached;
  for (const FLN_ENTRY& entry : Entries(library_.data.entry)) left.push_back(Host(entry.en_id));
  for (const FLN_ATTACHMENT& a : Attachments(library_.data.attachment)) attached.push_back(Host(a.en_id));
  const std::vector<int32_t> kept{Host(before[1].en_id), Host(before[2].en_id)};
  EXPECT_EQ(left, kept);
  std::sort(attached.begin(), attached.end());
  EXPECT_EQ(attached, (std::vector<int32_t>{Host(entries_[0].en_id), Host(entries_[1].en_id)}));

  // One more entry takes the id of the first one left, and so does its
  // attachment; the entry between them keeps its own.
  ASSERT_EQ(ImportPDFFiles(&library_.data, box_.path("paper.pdf").c_str(), box_.root().c_str(), "", "", "").imported, 1);
  FLN_ENTRY twin = Entries(library_.data.entry)[2];
  for (int32_t i = 0; i < Tesk_Ary_GetSize(library_.data.attachment); ++i) {
    FLN_ATTACHMENT a;
    Tesk_Ary_GetData(library_.data.attachment, i, &a);
    if (a.en_id != twin.en_id) continue;
    a.en_id = before[1].en_id;
    Tesk_Ary_Update(library_.data.attachment, i, &a);
  }
  twin.en_id = before[1].en_id;
  Tesk_Ary_Update(library_.data.entry, 2, &twin);
  library_.data.shownRows = {0, 1, 2};
  r = DeletePDFEntries(&library_.data, {0, 2}, EntryWindowCloser());
  ASSERT_TRUE(r.save.ok());
  EXPECT_EQ(r.deleted, 2);
  const std::vector<FLN_ENTRY> last = Entries(library_.data.entry);
  ASSERT_EQ(last.size(), 1u);
  EXPECT_EQ(Host(last[0].en_id), Host(before[2].en_id));
  const std::vector<FLN_ATTACHMENT> lastAttached = Attachments(library_.data.attachment);
  ASSERT_EQ(lastAttached.size(), 1u);
  EXPECT_EQ(Host(lastAttached[0].en_id), Host(before[2].en_id));
  EXPECT_EQ(library_.data.shownRows, (std::vector<int32_t>{0}));
}

TEST(DeleteConfirmText, NamesWhatGoes) {
  const QString longTitle(70, u'長');
  const struct {
    QStringList titles;
    QString expected;
  } cases[] = {
      {{"Paper"}, "「Paper」を削除してもよろしいですか？"},
      {{longTitle}, "「" + QString(59, u'長') + "…」を削除してもよろしいですか？"},
      {{"a", "b"}, "選択している2件のPDFを削除してもよろしいですか？\n\n「a」\n「b」"},
      {{"a", "b", "c", "d", "e"},
       "選択している5件のPDFを削除してもよろしいですか？\n\n「a」\n「b」\n「c」\n「d」\n「e」"},
      {{"a", "b", "c", "d", "e", "f", "g"},
       "選択している7件のPDFを削除してもよろしいですか？\n\n「a」\n「b」\n「c」\n「d」\n「e」\nほか2件"},
  };
  for (const auto& c : cases) EXPECT_EQ(DeletePdfConfirmMessage(c.titles), c.expected) << c.titles.join(',').toStdString();
}

TEST_F(PdfDeleteTest, TheQuestionTakesTheSelectedRowsTitlesOrFileNames) {
  // Row 1 loses its title: its file name stands in; row 2 has neither.
  FLN_ENTRY e;
  EXPECT_EQ(GetFLNEntry_ByFLNData(&library_.data, 0, &e), 1);
  StoreFittedText(QStringLiteral("論文 一"), e.en_title, sizeof e.en_title);
  Tesk_Ary_Update(library_.data.entry, ShownEntryIndex(library_.data, 0), &e);
  EXPECT_EQ(GetFLNEntry_ByFLNData(&library_.data, 1, &e), 1);
  StoreFittedText(QStringLiteral("  "), e.en_title, sizeof e.en_title);
  Tesk_Ary_Update(library_.data.entry, ShownEntryIndex(library_.data, 1), &e);
  EXPECT_EQ(GetFLNEntry_ByFLNData(&library_.data, 2, &e), 1);
  std::memset(e.en_title, 0, sizeof e.en_title);
  std::memset(e.en_file_name, 0, sizeof e.en_file_name);
  Tesk_Ary_Update(library_.data.entry, ShownEntryIndex(library_.data, 2), &e);

  EXPECT_EQ(SelectedEntryTitles(&library_.data, {2, 0, 1, 0, 7}),
            QStringList({"論文 一", "paper.pdf", "（題名なし）"}));
  EXPECT_EQ(SelectedEntryTitles(&library_.data, {}), QStringList());
}

}  // namespace
