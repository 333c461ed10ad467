#include "transfer/PdfImport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <algorithm>
#include <map>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>

#include "FlxTestEntry.h"
#include "TestFiles.h"
#include "TransferTestSupport.h"
#include "format/CategoryNames.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnLoad.h"
#include "library/FlnPreference.h"
#include "library/FlnSave.h"
#include "format/Endian.h"
#include "storage/FileIo.h"
#include "storage/ZelJournal.h"
#include "format/FieldText.h"
#include "storage/FolianCommon.h"
#include "transfer/ImportFit.h"
#include "transfer/FlxWriter.h"
#include "library/FlnAttachment.h"
#include "storage/ZelAry.h"

namespace {

using namespace transfertest;

const FLN_ENTRY* FindByTitle(const std::vector<FLN_ENTRY>& entries, const std::string& title) {
  for (const FLN_ENTRY& e : entries)
    if (FIELD_TEXT(e, en_title) == title) return &e;
  return nullptr;
}

std::vector<std::string> CategoriesOf(const FLN_ENTRY& e) {
  return {FIELD_TEXT(e, en_c1_name), FIELD_TEXT(e, en_c2_name), FIELD_TEXT(e, en_c3_name)};
}

bool HasTriple(const FLN_DATA& data, const char* c1, const char* c2, const char* c3) {
  return IsCatsExists(data.catsAry, c1, c2, c3) == 1;
}

std::string FileDateString(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  const QDateTime date = info.birthTime().isValid() ? info.birthTime() : info.lastModified();
  char text[18] = {};
  FLN_COMM_NSDateToString(date, text, sizeof text);
  return text;
}

// Writes the metadata text file of an entry with these texts beside `pdfPath`.
void WriteFlx(const std::string& pdfPath, const std::string& title, const std::string& c1, const std::string& c2,
              const std::string& c3, const std::string& filePath) {
  FLN_ENTRY entry;
  std::memset(&entry, 0, sizeof entry);
  entry.en_id = ZEL_EndianLong_NtoL(77);
  SET_FIELD_TEXT(entry, en_title, title);
  SET_FIELD_TEXT(entry, en_file_name, "original.pdf");
  SET_FIELD_TEXT(entry, en_c1_name, c1);
  SET_FIELD_TEXT(entry, en_c2_name, c2);
  SET_FIELD_TEXT(entry, en_c3_name, c3);
  SET_FIELD_TEXT(entry, en_file_path, filePath);
  entry.en_my_rate = ZEL_EndianShort_NtoL(4);
  std::string flx = pdfPath.substr(0, pdfPath.rfind('.')) + ".flx";
  ASSERT_EQ(WriteFLXFile(&entry, flx.c_str()), kFlxWriteOk);
}

class PdfImportTest : public SandboxLibraryTest {
 protected:
  ImportResult Import(const std::string& path, const char* c1 = "", const char* c2 = "", const char* c3 = "",
                      const ImportProgress& progress = nullptr) {
    return ImportPDFFiles(&library_.data, path.c_str(), box_.root().c_str(), c1, c2, c3, progress);
  }
};

TEST_F(PdfImportTest, ImportsEveryPdfBelowAFolderAndTakesMetadataFromTheFileBesideIt) {
  box_.makeFolder("in/sub");
  std::map<std::string, QByteArray> sources;
  sources[box_.path("in/a.pdf")] = box_.writePdf("in/a.pdf", 1000, 1);
  sources[box_.path("in/.hidden.pdf")] = box_.writePdf("in/.hidden.pdf", 300, 2);
  const QByteArray d = box_.writePdf("in/sub/d.pdf", 2000, 3);
  sources["/elsewhere/d.pdf"] = d;  // the path its metadata text file names
  WriteFlx(box_.path("in/sub/d.pdf"), "題名 from flx", "物理", "講義", "", "/elsewhere/d.pdf");
  sources[box_.path("in/b.PDF")] = box_.writePdf("in/b.PDF", 400, 4);  // the extension's case does not matter
  box_.writeText("in/c.txt", "not a pdf");

  const ImportResult result = Import(box_.path("in"), "技術", "", "その他");
  EXPECT_EQ(result.status, ImportStatus::Completed);
  EXPECT_EQ(result.listed, 4);
  EXPECT_EQ(result.imported, 4);
  EXPECT_TRUE(result.failures.empty()) << ImportFailureLine(result.failures.front());
  EXPECT_TRUE(result.notPdf.empty());
  EXPECT_TRUE(result.save.ok());

  const std::vector<FLN_ENTRY> entries = Entries(library_.data.entry);
  ASSERT_EQ(entries.size(), 4u);
  ASSERT_NE(FindByTitle(entries, "b.PDF"), nullptr);
  const FLN_ENTRY* a = FindByTitle(entries, "a.pdf");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(FIELD_TEXT(*a, en_file_name), "a.pdf");
  EXPECT_EQ(FIELD_TEXT(*a, en_file_path), box_.path("in/a.pdf"));
  EXPECT_EQ(CategoriesOf(*a), (std::vector<std::string>{"技術", "その他", "その他"}));
  EXPECT_EQ(Host(a->en_file_size), 1000);
  EXPECT_EQ(FIELD_TEXT(*a, en_os), CutText_ToUnits(QSysInfo::prettyProductName(), 62).toStdString());
  EXPECT_EQ(FIELD_TEXT(*a, en_machine_name), QSysInfo::machineHostName().toStdString());
  EXPECT_EQ(FIELD_CHARS(*a, en_file_create_date), FileDateString(box_.path("in/a.pdf")));
  EXPECT_EQ(FIELD_CHARS(*a, en_create_date), kFixedDate);
  EXPECT_EQ(FIELD_CHARS(*a, en_update_date), kFixedDate);
  EXPECT_EQ(FIELD_CHARS(*a, en_last_use_date), "");
  EXPECT_EQ(a->en_my_rate, 0);

  const FLN_ENTRY* fromFlx = FindByTitle(entries, "題名 from flx");
  ASSERT_NE(fromFlx, nullptr);
  EXPECT_EQ(CategoriesOf(*fromFlx), (std::vector<std::string>{"物理", "講義", ""}));
  EXPECT_EQ(FIELD_TEXT(*fromFlx, en_file_name), "original.pdf");
  EXPECT_EQ(ZEL_EndianShort_LtoN(fromFlx->en_my_rate), 4);
  EXPECT_NE(Host(fromFlx->en_id), 77) << "the identifier comes from the library, never from the file";
  EXPECT_EQ(FIELD_TEXT(*fromFlx, en_os), "") << "nothing but the file's values is filled in";
  EXPECT_EQ(Host(fromFlx->en_file_size), 2000) << "the size is the PDF's own, whatever the metadata text file says";
  ASSERT_NE(FindByTitle(entries, ".hidden.pdf"), nullptr);

  // Each stored once, in import order, linked by its own attachment record.
  std::vector<int32_t> dataIndexes;
  for (const FLN_ATTACHMENT& at : Attachments(library_.data.attachment)) dataIndexes.push_back(Host(at.dataIndex));
  EXPECT_EQ(dataIndexes, (std::vector<int32_t>{0, 1, 2, 3}));
  EXPECT_TRUE(HasTriple(library_.data, "技術", "その他", "その他"));
  EXPECT_TRUE(HasTriple(library_.data, "物理", "講義", ""));

  // The lists: every name of the table, その他 last; all entries shown in stored order.
  std::vector<std::string> level1;
  for (int32_t i = 0; i < Tesk_Ary_GetSize(library_.data.cat1Ary); ++i) {
    char name[kCategoryNameSize];
    Tesk_Ary_GetData(library_.data.cat1Ary, i, name);
    level1.push_back(name);
  }
  EXPECT_EQ(level1, (std::vector<std::string>{"技術", "物理", "その他"}));
  std::vector<FLN_ENTRY> shown;
  for (int32_t row = 0; row < static_cast<int32_t>(library_.data.shownRows.size()); ++row)
    shown.push_back(*ShownEntry(&library_.data, row));
  ASSERT_EQ(shown.size(), entries.size());
  for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(std::memcmp(&shown[i], &entries[i], sizeof shown[i]), 0);

  // The file holds exactly what memory holds, and the folder is remembered in both places.
  const std::vector<FLN_ENTRY> reloaded = ExpectConsistentLibrary(libraryPath_, {}, sources, "after import");
  ASSERT_EQ(reloaded.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(std::memcmp(&reloaded[i], &entries[i], sizeof entries[i]), 0);
  EXPECT_EQ(PreferenceRecord(libraryPath_, kTagPrefFolderImport), box_.root());
  EXPECT_EQ(PreferenceRecord(box_.preferenceFile(), kTagPrefFolderImport), box_.root());
  EXPECT_EQ(PreferenceRecord(libraryPath_, kTagPrefFileImport), "");
}

TEST_F(PdfImportTest, AnEntryFromAMetadataFileStartsWithoutWindowsAndUnselected) {
  // What the library it was exported from knew of its windows and selection.
  struct Case {
    const char* name;
    int16_t entryWindow, pdfWindow;
    uint8_t selected;
  };
  const Case cases[] = {{"both windows open, selected", 2, 1, 1},
                        {"the frontmost window, not selected", 1, -1, 0},
                        {"no windows, selected", -1, -1, 1}};
  box_.makeFolder("in");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string pdf = box_.path(std::string("in/") + c.name + ".pdf");
    box_.writePdf(std::string("in/") + c.name + ".pdf", 500, 1);
    FLN_ENTRY exported;
    std::memset(&exported, 0, sizeof exported);
    SET_FIELD_TEXT(exported, en_title, c.name);
    SET_FIELD_TEXT(exported, en_c1_name, "その他");
    exported.en_entry_window_ordered_index = ZEL_EndianShort_NtoL(c.entryWindow);
    exported.en_pdf_window_ordered_index = ZEL_EndianShort_NtoL(c.pdfWindow);
    exported.en_is_select_entrylist = c.selected;
    exported.en_pdf_window_position = {ZEL_EndianShort_NtoL(40), ZEL_EndianShort_NtoL(30),
                                       ZEL_EndianShort_NtoL(440), ZEL_EndianShort_NtoL(330)};
    const std::string flx = pdf.substr(0, pdf.rfind('.')) + ".flx";
    ASSERT_EQ(WriteFLXFile(&exported, flx.c_str()), kFlxWriteOk);

    ASSERT_EQ(Import(pdf).imported, 1);
    const std::vector<FLN_ENTRY> entries = Entries(library_.data.entry);
    const FLN_ENTRY* entry = FindByTitle(entries, c.name);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->en_entry_window_ordered_index, 0);
    EXPECT_EQ(entry->en_pdf_window_ordered_index, 0);
    EXPECT_EQ(entry->en_is_select_entrylist, 0);
    // Where its windows stood is no state of the other library's: it stays.
    EXPECT_EQ(ZEL_EndianShort_LtoN(entry->en_pdf_window_position.bottom), 440);
  }
}

TEST_F(PdfImportTest, AMetadataFileNamingEveryOrNoChangeAsACategoryIsNotImported) {
  box_.makeFolder("in");
  box_.writePdf("in/all.pdf", 300, 1);
  WriteFlx(box_.path("in/all.pdf"), "all", "A", "＜すべて＞", "P", "");
  box_.writePdf("in/nochange.pdf", 300, 2);
  WriteFlx(box_.path("in/nochange.pdf"), "nochange", "＜変更しない＞", "X", "P", "");
  box_.writePdf("in/fine.pdf", 300, 3);
  WriteFlx(box_.path("in/fine.pdf"), "fine", "すべて", "変更しない", "P", "");

  const ImportResult result = Import(box_.path("in"));
  EXPECT_EQ(result.imported, 1);
  ASSERT_EQ(result.failures.size(), 2u);
  std::vector<std::string> failed;
  for (const ImportFailure& failure : result.failures) {
    EXPECT_EQ(failure.reason, ImportFailureReason::ReservedCategory) << failure.path;
    failed.push_back(failure.path);
  }
  std::sort(failed.begin(), failed.end());
  EXPECT_EQ(failed, (std::vector<std::string>{box_.path("in/all.pdf"), box_.path("in/nochange.pdf")}));
  const std::vector<FLN_ENTRY> entries = Entries(library_.data.entry);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(FIELD_TEXT(entries[0], en_title), "fine");
  // No triple and no PDF for the refused files.
  EXPECT_EQ(IsCatsExists(library_.data.catsAry, "A", "＜すべて＞", "P"), 0);
  EXPECT_EQ(IsCatsExists(library_.data.catsAry, "＜変更しない＞", "X", "P"), 0);
  EXPECT_EQ(Attachments(library_.data.attachment).size(), 1u);
}

TEST_F(PdfImportTest, ASingleFileGetsThePlainCategoriesAndEveryImportItsOwnPdf) {
  struct Case {
    const char* combo[3];
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {{"", "", ""}, {"その他", "その他", "その他"}},
      {{"技術", "", "論文"}, {"技術", "その他", "論文"}},
      {{"技術", "", "論文"}, {"技術", "その他", "論文"}},  // the same file again: a second entry
  };
  const QByteArray bytes = box_.writePdf("paper.pdf", 500, 9);
  const int32_t triplesBefore = Tesk_Ary_GetSize(library_.data.catsAry);
  for (const Case& c : cases) {
    const ImportResult result = Import(box_.path("paper.pdf"), c.combo[0], c.combo[1], c.combo[2]);
    ASSERT_EQ(result.imported, 1);
    const std::vector<FLN_ENTRY> entries = Entries(library_.data.entry);
    EXPECT_EQ(CategoriesOf(entries.back()), c.expected);
  }
  // Only 技術/その他/論文 was new; その他 x 3 is in every new library.
  EXPECT_EQ(Tesk_Ary_GetSize(library_.data.catsAry), triplesBefore + 1);

  const std::vector<FLN_ENTRY> entries = Entries(library_.data.entry);
  const std::vector<FLN_ATTACHMENT> attachments = Attachments(library_.data.attachment);
  ASSERT_EQ(attachments.size(), 3u);
  for (size_t i = 0; i < attachments.size(); ++i) {
    EXPECT_EQ(Host(attachments[i].dataIndex), static_cast<int32_t>(i));
    EXPECT_EQ(attachments[i].en_id, entries[i].en_id);
    EXPECT_EQ(StoredPdf(library_.data, Host(entries[i].en_id)), bytes);
  }
  EXPECT_NE(entries[1].en_id, entries[2].en_id);
  EXPECT_EQ(PreferenceRecord(libraryPath_, kTagPrefFileImport), box_.root());
  EXPECT_EQ(PreferenceRecord(box_.preferenceFile(), kTagPrefFileImport), box_.root());
  EXPECT_EQ(PreferenceRecord(libraryPath_, kTagPrefFolderImport), "");
}

// An import longer than one batch saves between batches and goes on
// storing; every entry, in every batch and in the imports before and after,
// points at its own PDF.
TEST_F(PdfImportTest, EveryBatchOfALongImportStoresEachEntrysOwnPdf) {
  std::map<std::string, QByteArray> written;  // title (the file name) -> bytes
  auto writeFiles = [&](const std::string& folder, int count, int seed) {
    box_.makeFolder(folder);
    for (int i = 0; i < count; ++i) {
      const std::string name = folder + "-" + std::to_string(i);
      written[name + ".pdf"] = box_.writePdf(folder + "/" + name + ".pdf", 300 + i, seed + i);
    }
  };
  writeFiles("before", 3, 1);
  writeFiles("long", 2 * kImportSaveInterval + 17, 100);
  writeFiles("after", 2, 900);
  int expected = 0;
  for (const auto& [folder, count] : std::vector<std::pair<std::string, int>>{
           {"before", 3}, {"long", 2 * kImportSaveInterval + 17}, {"after", 2}}) {
    SCOPED_TRACE(folder);
    const ImportResult result = Import(box_.path(folder));
    ASSERT_EQ(result.imported, count);
    ASSERT_TRUE(result.save.ok());
    expected += count;
  }
  Library reloaded;
  ASSERT_NO_FATAL_FAILURE(Load(libraryPath_, &reloaded));
  const std::vector<FLN_ENTRY> entries = Entries(reloaded.data.entry);
  const std::vector<FLN_ATTACHMENT> attachments = Attachments(reloaded.data.attachment);
  ASSERT_EQ(entries.size(), static_cast<size_t>(expected));
  ASSERT_EQ(attachments.size(), static_cast<size_t>(expected));
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string title = FIELD_TEXT(entries[i], en_title);
    SCOPED_TRACE(title);
    EXPECT_EQ(Host(attachments[i].dataIndex), static_cast<int32_t>(i));
    ASSERT_EQ(written.count(title), 1u);
    EXPECT_EQ(StoredPdf(reloaded.data, Host(entries[i].en_id)), written[title]);
  }
}

TEST_F(PdfImportTest, RefusesACategoryTextThatDoesNotFitBeforeChangingAnything) {
  box_.writePdf("paper.pdf", 500, 9);
  const std::vector<uint8_t> before = readAll(libraryPath_);
  const int32_t triples = Tesk_Ary_GetSize(library_.data.catsAry);
  const std::string tooLong(200, 'x');
  const ImportResult result = Import(box_.path("paper.pdf"), "", tooLong.c_str(), "");
  EXPECT_EQ(result.status, ImportStatus::CategoryNameTooLong);
  EXPECT_EQ(result.imported, 0);
  EXPECT_EQ(Tesk_Ary_GetSize(library_.data.entry), 0);
  EXPECT_EQ(Tesk_Ary_GetSize(library_.data.catsAry), triples);
  EXPECT_EQ(readAll(libraryPath_), before);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(box_.preferenceFile())));
}

// A folder chain whose full path grows longer than the system lets a path be
// (PATH_MAX), made step by step relative to each folder. The first folder
// beyond the limit cannot be opened by its path, even by root; it is returned.
std::string MakeUnreachableFolder(const std::string& base) {
  const std::string name(250, 'd');
  int fd = ::open(base.c_str(), O_DIRECTORY | O_RDONLY);
  std::string path = base, unreachable;
  while (fd >= 0 && unreachable.empty()) {
    EXPECT_EQ(mkdirat(fd, name.c_str(), 0755), 0);
    const int next = openat(fd, name.c_str(), O_DIRECTORY | O_RDONLY);
    ::close(fd);
    fd = next;
    path += "/" + name;
    if (path.size() + 1 > PATH_MAX) unreachable = path;
  }
  EXPECT_GE(fd, 0);
  const int pdf = openat(fd, "deep.pdf", O_CREAT | O_WRONLY, 0644);
  EXPECT_GE(pdf, 0);
  ::close(pdf);
  ::close(fd);
  return unreachable;
}

TEST_F(PdfImportTest, ReportsWhatItCannotImportAndImportsTheRest) {
  box_.makeFolder("in");
  std::map<std::string, QByteArray> sources;
  sources[box_.path("in/good.pdf")] = box_.writePdf("in/good.pdf", 700, 1);
  ASSERT_EQ(symlink(box_.path("in/missing-target.pdf.x").c_str(), box_.path("in/broken.pdf").c_str()), 0);
  ASSERT_EQ(mkfifo(box_.path("in/pipe.pdf").c_str(), 0644), 0);  // reading it would wait forever

  // 2 x 200 + a 120-byte name: over 511 bytes, well under what the system allows.
  const std::string longFolder = "in/" + std::string(200, 'a') + "/" + std::string(200, 'b');
  box_.makeFolder(longFolder);
  const std::string longPdf = longFolder + "/" + std::string(116, 'c') + ".pdf";
  box_.writePdf(longPdf, 100, 5);
  ASSERT_GT(box_.path(longPdf).size(), 511u);
  const std::string unreachable = MakeUnreachableFolder(box_.path("in"));

  const ImportResult result = Import(box_.path("in"));
  std::system(("rm -rf '" + box_.path("in/") + std::string(250, 'd') + "'").c_str());
  EXPECT_EQ(result.status, ImportStatus::Completed);
  EXPECT_EQ(result.imported, 1);
  std::map<std::string, std::pair<ImportFailureReason, int>> failures;
  for (const ImportFailure& f : result.failures) failures[f.path] = {f.reason, f.error};
  const std::map<std::string, std::pair<ImportFailureReason, int>> expected = {
      {box_.path("in/broken.pdf"), {ImportFailureReason::FileUnreadable, ENOENT}},
      {box_.path("in/pipe.pdf"), {ImportFailureReason::NotAFile, 0}},
      {box_.path(longPdf), {ImportFailureReason::PathTooLong, 0}},
      {unreachable, {ImportFailureReason::FolderUnreadable, ENAMETOOLONG}},
  };
  EXPECT_EQ(failures, expected);
  ExpectConsistentLibrary(libraryPath_, {}, sources, "after a partly failed import");

  // A single file is refused whole as well, not cut.
  const ImportResult single = Import(box_.path(longPdf));
  ASSERT_EQ(single.failures.size(), 1u);
  EXPECT_EQ(single.failures[0].path, box_.path(longPdf));
  EXPECT_EQ(single.failures[0].reason, ImportFailureReason::PathTooLong);
  EXPECT_EQ(Tesk_Ary_GetSize(library_.data.entry), 1);
}

TEST_F(PdfImportTest, StoresFilesThatAreNoPdfAsAskedAndNamesThem) {
  box_.makeFolder("in");
  const struct {
    const char* name;
    QByteArray bytes;
    bool isPdf;
  } cases[] = {
      {"real.pdf", PdfBytes(600, 1), true},
      {"text.pdf", "just some notes\n", false},
      {"empty.PDF", QByteArray(), false},
      {"junk-then-header.pdf", QByteArray(1000, 'j') + PdfBytes(300, 2), true},   // header in the first 1024 bytes
      {"header-too-late.pdf", QByteArray(1024, 'j') + PdfBytes(300, 3), false},  // header after them
      {"image.Pdf", QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(50, 'p'), false},
  };
  std::map<std::string, QByteArray> sources;
  std::vector<std::string> expected;
  for (const auto& c : cases) {
    QFile file(QString::fromStdString(box_.path(std::string("in/") + c.name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(c.bytes), c.bytes.size());
    sources[box_.path(std::string("in/") + c.name)] = c.bytes;
    if (!c.isPdf) expected.push_back(box_.path(std::string("in/") + c.name));
  }

  const ImportResult result = Import(box_.path("in"));
  EXPECT_EQ(result.status, ImportStatus::Completed);
  EXPECT_EQ(result.imported, static_cast<int32_t>(std::size(cases)));
  EXPECT_TRUE(result.failures.empty());
  // Named in the order they were imported, which is the order of the entries.
  std::vector<std::string> importedOrder;
  for (const FLN_ENTRY& entry : Entries(library_.data.entry)) importedOrder.push_back(FIELD_TEXT(entry, en_file_path));
  std::vector<std::string> inImportOrder;
  for (const std::string& path : importedOrder)
    if (std::find(expected.begin(), expected.end(), path) != expected.end()) inImportOrder.push_back(path);
  EXPECT_EQ(result.notPdf, inImportOrder);
  std::vector<std::string> named = result.notPdf;
  std::sort(named.begin(), named.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(named, expected);
  // Each is stored with its bytes, as the user asked.
  ExpectConsistentLibrary(libraryPath_, {}, sources, "after importing files that are no PDF");
}

// Rewrites the counters stored in the library file at `path` with `change`.
void RewriteStoredCounters(const std::string& path, const std::function<void(TESK_ARY)>& change) {
  ZEL_FILE file;
  ASSERT_EQ(ZEL_Open(path.c_str(), 0, &file), ZEL_OK);
  Ary counters(ZEL_ARY_Load(&file, kTagIdCounter));
  ASSERT_NE(counters, nullptr);
  change(counters.get());
  EXPECT_EQ(ZEL_ARY_Save(&file, kTagIdCounter, counters.get(), sizeof(FLN_ID_COUNTER)), ZEL_OK);
  ZEL_Close(&file);
}

void SetNextId(TESK_ARY counters, const char* key, int32_t nextId) {
  for (int32_t i = 0; i < Tesk_Ary_GetSize(counters); ++i) {
    FLN_ID_COUNTER c;
    Tesk_Ary_GetData(counters, i, &c);
    if (std::strcmp(c.key, key) != 0) continue;
    c.nextId = ZEL_EndianLong_NtoL(nextId);
    Tesk_Ary_Update(counters, i, &c);
  }
}

// Whatever the library's counters say, a new entry and its attachment get
// identifiers that no record holds, so that the viewer, export and deletion
// reach the new PDF and only it.
TEST_F(PdfImportTest, NewIdentifiersStayAboveTheStoredOnesWhateverTheCounters) {
  box_.makeFolder("first");
  std::map<std::string, QByteArray> sources;
  for (int i = 0; i < 3; ++i) {
    const std::string name = "first/" + std::to_string(i) + ".pdf";
    sources[box_.path(name)] = box_.writePdf(name, 300 + i, i);
  }
  ASSERT_EQ(Import(box_.path("first")).imported, 3);
  const std::vector<uint8_t> threeEntries = readAll(libraryPath_);
  const std::vector<FLN_ENTRY> before = Entries(library_.data.entry);
  sources[box_.path("new.pdf")] = box_.writePdf("new.pdf", 700, 9);

  const struct {
    const char* what;
    std::function<void(TESK_ARY)> change;
  } cases[] = {
      {"no 'IDCO' at all", [](TESK_ARY counters) { Tesk_Ary_RemoveAll(counters); }},
      {"counters behind the stored identifiers",
       [](TESK_ARY counters) {
         SetNextId(counters, "en_id", 0);
         SetNextId(counters, "at_id", 1);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writeAll(libraryPath_, threeEntries);
    RewriteStoredCounters(libraryPath_, c.change);
    FreeFlnData(&library_.data);
    Load(libraryPath_, &library_);

    const ImportResult result = Import(box_.path("new.pdf"));
    ASSERT_EQ(result.imported, 1);
    const std::vector<FLN_ENTRY> entries = Entries(library_.data.entry);
    const FLN_ENTRY* added = FindByTitle(entries, "new.pdf");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(Host(added->en_id), 3);
    const std::vector<FLN_ATTACHMENT> attachments = Attachments(library_.data.attachment);
    EXPECT_EQ(Host(attachments.back().at_id), 3);
    EXPECT_EQ(StoredPdf(library_.data, 3), sources[box_.path("new.pdf")]);
    // Unique identifiers below the counters the file now stores; every PDF its own.
    ExpectConsistentLibrary(libraryPath_, before, sources, c.what);
  }
}

// Metadata text that is not UTF-8 is refused with its PDF, and nothing of it
// reaches the library; a PDF whose path is not UTF-8 is imported under the
// name the system decodes it to, and reported so.
TEST_F(PdfImportTest, TextThatIsNotUtf8IsRefusedOrReported) {
  box_.makeFolder("in");
  std::map<std::string, QByteArray> sources;
  sources[box_.path("in/good.pdf")] = box_.writePdf("in/good.pdf", 500, 1);
  box_.writePdf("in/bad.pdf", 600, 2);
  std::string flx = flxtest::flxText(flxtest::withValue(flxtest::baseLines(), "[en_title]", "caf\xe9"));
  writeAll(box_.path("in/bad.flx"), std::vector<uint8_t>(flx.begin(), flx.end()));
  const std::string latin1 = box_.path("in/caf\xe9.pdf");
  const QByteArray latin1Bytes = PdfBytes(700, 3);
  writeAll(latin1, std::vector<uint8_t>(latin1Bytes.begin(), latin1Bytes.end()));
  const std::string decoded = box_.path("in/caf\xEF\xBF\xBD.pdf");  // U+FFFD for the byte
  sources[decoded] = latin1Bytes;

  const ImportResult result = Import(box_.path("in"));
  EXPECT_EQ(result.listed, 3);
  EXPECT_EQ(result.imported, 2);
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].path, box_.path("in/bad.pdf"));
  EXPECT_EQ(result.failures[0].reason, ImportFailureReason::MetadataNotUtf8);
  EXPECT_EQ(ImportFailureLine(result.failures[0]),
            box_.path("in/bad.pdf") + ": its metadata text file (.flx) is not UTF-8 text");
  ASSERT_EQ(result.decodedNames.size(), 1u);
  EXPECT_EQ(result.decodedNames[0].path, latin1);
  EXPECT_EQ(result.decodedNames[0].stored, decoded);

  const std::vector<FLN_ENTRY> entries = Entries(library_.data.entry);
  const FLN_ENTRY* named = FindByTitle(entries, "caf\xEF\xBF\xBD.pdf");
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(FIELD_TEXT(*named, en_file_name), "caf\xEF\xBF\xBD.pdf");
  EXPECT_EQ(FindByTitle(entries, "caf\xe9"), nullptr);
  EXPECT_EQ(FindByTitle(entries, "bad.pdf"), nullptr);
  ExpectConsistentLibrary(libraryPath_, {}, sources, "after importing what is not UTF-8");

  // The refused file alone adds nothing: no entry, no attachment, no stored PDF.
  const int32_t attachments = Tesk_Ary_GetSize(library_.data.attachment);
  const ImportResult single = Import(box_.path("in/bad.pdf"));
  EXPECT_EQ(single.imported, 0);
  ASSERT_EQ(single.failures.size(), 1u);
  EXPECT_EQ(single.failures[0].reason, ImportFailureReason::MetadataNotUtf8);
  EXPECT_EQ(Tesk_Ary_GetSize(library_.data.entry), 2);
  EXPECT_EQ(Tesk_Ary_GetSize(library_.data.attachment), attachments);
  EXPECT_EQ(ReadPDFData_ByFLNFile(2, library_.data.filePath), QByteArray()) << "no third PDF stored";
}

TEST_F(PdfImportTest, SeveralPathsAreOneImportAndRememberNoFolder) {
  box_.makeFolder("drop/sub");
  box_.makeFolder("other");
  std::map<std::string, QByteArray> sources;
  sources[box_.path("drop/a.pdf")] = box_.writePdf("drop/a.pdf", 300, 1);
  sources[box_.path("drop/sub/b.PDF")] = box_.writePdf("drop/sub/b.PDF", 400, 2);
  box_.writeText("drop/notes.txt", "not listed");
  sources[box_.path("other/c.pdf")] = box_.writePdf("other/c.pdf", 500, 3);
  const std::vector<std::string> paths = {box_.path("drop/"), box_.path("missing.pdf"), box_.path("other/c.pdf")};

  std::vector<int32_t> totals;
  std::vector<std::string> reported;
  const ImportResult result = ImportPDFPaths(&library_.data, paths, "技術", "", "",
                                             [&](int32_t, int32_t total, const std::string& path) {
                                               totals.push_back(total);
                                               reported.push_back(path);
                                               return true;
                                             });
  EXPECT_EQ(result.status, ImportStatus::Completed);
  EXPECT_EQ(result.listed, 4);
  EXPECT_EQ(result.imported, 3);
  EXPECT_EQ(totals, (std::vector<int32_t>(4, 4))) << "one progress over every dropped path";
  // The paths in the order given; a folder's files in the order the file system lists them.
  ASSERT_EQ(reported.size(), 4u);
  std::sort(reported.begin(), reported.begin() + 2);
  EXPECT_EQ(reported, (std::vector<std::string>{box_.path("drop/a.pdf"), box_.path("drop/sub/b.PDF"),
                                                box_.path("missing.pdf"), box_.path("other/c.pdf")}));
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].path, box_.path("missing.pdf"));
  const std::vector<FLN_ENTRY> entries = Entries(library_.data.entry);
  ASSERT_EQ(entries.size(), 3u);
  for (const FLN_ENTRY& entry : entries) {
    EXPECT_EQ(CategoriesOf(entry), (std::vector<std::string>{"技術", "その他", "その他"}));
    EXPECT_EQ(StoredPdf(library_.data, Host(entry.en_id)), sources[FIELD_TEXT(entry, en_file_path)]);
  }
  ExpectConsistentLibrary(libraryPath_, {}, sources, "after the drop");
  for (int32_t tag : {kTagPrefFolderImport, kTagPrefFileImport}) {
    EXPECT_EQ(PreferenceRecord(libraryPath_, tag), "");
    EXPECT_EQ(PreferenceRecord(box_.preferenceFile(), tag), "");
  }
}

TEST_F(PdfImportTest, StoppingBetweenFilesKeepsWhatWasImportedSaved) {
  box_.makeFolder("in");
  std::map<std::string, QByteArray> sources;
  for (int i = 0; i < 6; ++i) {
    const std::string name = "in/p" + std::to_string(i) + ".pdf";
    sources[box_.path(name)] = box_.writePdf(name, 300 + i, i);
  }
  std::vector<int32_t> reportedDone;
  std::vector<std::string> reportedPaths;
  const ImportResult result = Import(box_.path("in"), "", "", "", [&](int32_t done, int32_t total, const std::string& path) {
    EXPECT_EQ(total, 6);
    reportedDone.push_back(done);
    reportedPaths.push_back(path);
    return done < 3;
  });
  EXPECT_EQ(result.status, ImportStatus::Stopped);
  EXPECT_EQ(result.imported, 3);
  EXPECT_TRUE(result.save.ok());
  EXPECT_EQ(reportedDone, (std::vector<int32_t>{0, 1, 2, 3}));

  const std::vector<FLN_ENTRY> inMemory = Entries(library_.data.entry);
  ASSERT_EQ(inMemory.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(FIELD_TEXT(inMemory[i], en_file_path), reportedPaths[i]);
  const std::vector<FLN_ENTRY> reloaded = ExpectConsistentLibrary(libraryPath_, {}, sources, "after stopping");
  ASSERT_EQ(reloaded.size(), inMemory.size());
  for (size_t i = 0; i < reloaded.size(); ++i) EXPECT_EQ(std::memcmp(&reloaded[i], &inMemory[i], sizeof reloaded[i]), 0);
}

// Fails the N-th write of an import for N = 1, 2, ... until the import no
// longer reaches it. After each, the library file must load with every entry
// it had and no entry without its PDF.
TEST_F(PdfImportTest, AFailedWriteAnywhereNeverLeavesAnEntryWithoutItsPdf) {
  box_.makeFolder("old");
  box_.makeFolder("in/sub");
  std::map<std::string, QByteArray> sources;
  for (int i = 0; i < 2; ++i) {
    const std::string name = "old/o" + std::to_string(i) + ".pdf";
    sources[box_.path(name)] = box_.writePdf(name, 400 + i, 50 + i);
  }
  ASSERT_EQ(Import(box_.path("old")).imported, 2);
  const std::vector<FLN_ENTRY> before = Entries(library_.data.entry);
  const std::string base = box_.path("base.fln");
  ASSERT_TRUE(QFile::copy(QString::fromStdString(libraryPath_), QString::fromStdString(base)));

  sources[box_.path("in/a.pdf")] = box_.writePdf("in/a.pdf", 3000, 1);
  sources[box_.path("in/b.pdf")] = box_.writePdf("in/b.pdf", 100, 2);
  sources[box_.path("in/sub/c.pdf")] = box_.writePdf("in/sub/c.pdf", 5000, 3);
  WriteFlx(box_.path("in/sub/c.pdf"), "c from flx", "新しい", "分類", "です", box_.path("in/sub/c.pdf"));

  for (FileFaults::Kind kind : {FileFaults::Kind::FromThenOn, FileFaults::Kind::Once}) {
    const bool dies = kind == FileFaults::Kind::FromThenOn;
    bool reachedEnd = false;
    for (long n = 1; n < 1000 && !reachedEnd; ++n) {
      const std::string context = std::string(dies ? "writes fail from" : "only write") + " #" + std::to_string(n);
      const std::string work = box_.path("work.fln");
      QFile::remove(QString::fromStdString(work));
      QFile::remove(QString::fromStdString(ZelJournal::PathFor(work)));  // a "dead" import may leave one
      QFile::remove(QString::fromStdString(box_.preferenceFile()));
      ASSERT_TRUE(QFile::copy(QString::fromStdString(base), QString::fromStdString(work)));
      Library library;
      Load(work, &library);
      std::strcpy(library.data.lastSelectCat1, kCategoryAll);

      FileFaults::failWrite(n, kind);
      const ImportResult result =
          ImportPDFFiles(&library.data, box_.path("in").c_str(), box_.root().c_str(), "", "", "");
      const long writes = FileFaults::writesSeen();
      FileFaults::reset();
      reachedEnd = writes < n;

      SCOPED_TRACE(context);
      // In memory: every entry has its PDF stored in the file.
      for (const FLN_ENTRY& e : Entries(library.data.entry)) {
        const auto source = sources.find(FIELD_TEXT(e, en_file_path));
        ASSERT_NE(source, sources.end());
        EXPECT_EQ(StoredPdf(library.data, Host(e.en_id)), source->second);
      }
      if (dies && !reachedEnd) {
        EXPECT_TRUE(!result.save.ok() || !result.failures.empty());
      }
      if (reachedEnd) {
        EXPECT_EQ(result.imported, 3);
        EXPECT_TRUE(result.save.ok());
      }
      ExpectConsistentLibrary(work, before, sources, context);
    }
    EXPECT_TRUE(reachedEnd);
  }
}

// The file size limit stands in for a disk that fills up during the import:
// writes past it fail (EFBIG), possibly after writing part of their bytes.
TEST_F(PdfImportTest, AFileSizeLimitReachedDuringTheImportLosesNothing) {
  box_.makeFolder("in");
  std::map<std::string, QByteArray> sources;
  sources[box_.path("in/small.pdf")] = box_.writePdf("in/small.pdf", 1000, 1);
  sources[box_.path("in/big.pdf")] = box_.writePdf("in/big.pdf", 40000, 2);
  sources[box_.path("in/tiny.pdf")] = box_.writePdf("in/tiny.pdf", 800, 3);
  const std::vector<FLN_ENTRY> before = Entries(library_.data.entry);
  // Room for the two small PDFs with their records, not for the big one.
  const off_t limit = static_cast<off_t>(QFileInfo(QString::fromStdString(libraryPath_)).size()) + 20000;

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit rl{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
    if (setrlimit(RLIMIT_FSIZE, &rl) != 0) _exit(10);
    const ImportResult result = Import(box_.path("in"));
    bool bigFailed = false;
    for (const ImportFailure& f : result.failures)
      bigFailed = bigFailed || (f.path == box_.path("in/big.pdf") && f.reason == ImportFailureReason::StoreFailed);
    _exit((bigFailed ? 0 : 1) | (result.imported == 2 ? 0 : 2) | (result.failures.size() == 1 ? 0 : 4));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: big.pdf not reported, 2: not both others imported, 4: other failures";
  EXPECT_LE(QFileInfo(QString::fromStdString(libraryPath_)).size(), limit);
  ExpectConsistentLibrary(libraryPath_, before, sources, "after reaching the file size limit");
}

TEST_F(PdfImportTest, RefusesAPdfThatWouldTakeTheLibraryPast4GiB) {
  // Dead space at the end of the file (sparse, so it costs no disk) brings the
  // library close to the largest size 32-bit offsets can address.
  constexpr qint64 k4GiB = 0x100000000LL;
  ASSERT_EQ(truncate(libraryPath_.c_str(), k4GiB - 16000), 0);
  FreeFlnData(&library_.data);
  Load(libraryPath_, &library_);
  std::strcpy(library_.data.lastSelectCat1, kCategoryAll);
  box_.makeFolder("in");
  std::map<std::string, QByteArray> sources;
  box_.writePdf("in/big.pdf", 20000, 1);
  sources[box_.path("in/small.pdf")] = box_.writePdf("in/small.pdf", 500, 2);

  const ImportResult result = Import(box_.path("in"));
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].path, box_.path("in/big.pdf"));
  EXPECT_EQ(result.failures[0].reason, ImportFailureReason::LibraryFull);
  EXPECT_EQ(result.imported, 1);
  EXPECT_TRUE(result.save.ok());
  EXPECT_LT(QFileInfo(QString::fromStdString(libraryPath_)).size(), k4GiB);
  ExpectConsistentLibrary(libraryPath_, {}, sources, "next to the 4 GiB limit");
}

}  // namespace

namespace {

// Members of `tag` in the library file at `path`.
int64_t MemberCount(const std::string& path, int32_t tag) {
  ZEL_FILE f;
  int64_t n = 0;
  if (ZEL_Open(path.c_str(), 1, &f) == ZEL_OK)
    for (int rc = ZEL_FirstMember(&f, tag); rc == ZEL_OK; rc = ZEL_NextMember(&f)) ++n;
  ZEL_Close(&f);
  return n;
}

// A PDF whose bytes still fit below the limit but whose records would not
// is refused before its first byte: no PDF without an entry, no count that
// claims it, and the library takes smaller PDFs afterwards. A sparse file
// brings the library to the edge; the budget is everything the import writes
// for the PDF (data, digest, attachment and entry records, and what a save
// after any import may add once).
TEST_F(PdfImportTest, APdfFitsOnlyWithEverythingItsImportWrites) {
  constexpr int kPdf = 20000;
  constexpr uint64_t k4GiB = uint64_t{1} << 32;
  const zel::RecordLayout& L = zel::kLayout2;
  // The folder the panel showed is remembered first, before any PDF.
  const uint64_t folder = ZEL_ItemSize(L, kPreferenceRecordSize);
  const uint64_t budget = folder + ImportStoredGrowth(L, kPdf) + ImportRecordGrowth(L) + ImportGrowthOnce(L);
  ASSERT_GT(budget, ZEL_ItemSize(L, kPdf) + ZEL_ItemSize(L, sizeof(FLN_ATTACHMENT_HASH)) + 4000)
      << "the records are part of the budget";
  const struct {
    const char* what;
    uint64_t room;  // bytes between the file's end and 4 GiB
    bool fits;
  } cases[] = {
      {"only the PDF's bytes fit", folder + ZEL_ItemSize(L, kPdf) + 200, false},
      {"one byte short of the budget", budget - 1, false},
      {"exactly the budget", budget, true},
  };
  const QByteArray pdf = box_.writePdf("big.pdf", kPdf, 1);
  const QByteArray small = box_.writePdf("small.pdf", 300, 2);
  const std::vector<uint8_t> fresh = readAll(libraryPath_);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::remove(ZelJournal::PathFor(libraryPath_).c_str());
    writeAll(libraryPath_, fresh);
    ASSERT_EQ(truncate(libraryPath_.c_str(), static_cast<off_t>(k4GiB - c.room)), 0);
    FreeFlnData(&library_.data);
    Load(libraryPath_, &library_);

    const ImportResult result = Import(box_.path("big.pdf"));
    EXPECT_TRUE(result.save.ok());
    EXPECT_EQ(result.imported, c.fits ? 1 : 0);
    EXPECT_LE(QFileInfo(QString::fromStdString(libraryPath_)).size(), static_cast<qint64>(k4GiB));
    if (c.fits) {
      EXPECT_TRUE(result.failures.empty());
      ExpectConsistentLibrary(libraryPath_, {}, {{box_.path("big.pdf"), pdf}}, c.what);
      continue;
    }
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].reason, ImportFailureReason::LibraryFull);
    EXPECT_EQ(MemberCount(libraryPath_, kTagAttachmentData), 0) << "no PDF stored without its entry";
    EXPECT_EQ(MemberCount(libraryPath_, kTagAttachmentHash), 0);
    const ImportResult next = Import(box_.path("small.pdf"));
    EXPECT_EQ(next.imported, 1) << "the library still takes what fits";
    ExpectConsistentLibrary(libraryPath_, {}, {{box_.path("small.pdf"), small}}, c.what);
  }
}

// A library with 64-bit offsets imports past 4 GiB.
TEST_F(PdfImportTest, AWideLibraryGrowsPast4GiB) {
  constexpr qint64 k4GiB = 0x100000000LL;
  ConvertToWide(libraryPath_);
  ASSERT_EQ(truncate(libraryPath_.c_str(), k4GiB - 3000), 0);
  FreeFlnData(&library_.data);
  Load(libraryPath_, &library_);
  std::map<std::string, QByteArray> sources;
  box_.makeFolder("in");
  for (int i = 0; i < 3; ++i)
    sources[box_.path("in/" + std::to_string(i) + ".pdf")] = box_.writePdf("in/" + std::to_string(i) + ".pdf", 20000, i);

  const ImportFitCheck fit = CheckImportFits(&library_.data, box_.path("in"));
  EXPECT_TRUE(fit.fits);
  EXPECT_TRUE(fit.wide);
  const ImportResult result = Import(box_.path("in"));
  EXPECT_TRUE(result.failures.empty());
  EXPECT_EQ(result.imported, 3);
  EXPECT_GT(QFileInfo(QString::fromStdString(libraryPath_)).size(), k4GiB);
  ExpectConsistentLibrary(libraryPath_, {}, sources, "past 4 GiB");
}

// What an import would add is counted before it starts, so that the user can
// be asked about a conversion first.
TEST_F(PdfImportTest, TheFitCheckCountsEveryListedPdf) {
  constexpr uint64_t k4GiB = uint64_t{1} << 32;
  box_.makeFolder("in/sub");
  box_.writePdf("in/a.pdf", 30000, 1);
  box_.writePdf("in/sub/b.pdf", 40000, 2);
  box_.writeText("in/c.txt", "not listed");
  const zel::RecordLayout& L = zel::kLayout2;
  const uint64_t needed = ZEL_ItemSize(L, kPreferenceRecordSize) + ImportGrowthOnce(L) + ImportStoredGrowth(L, 30000) + ImportStoredGrowth(L, 40000) +
                          2 * (ImportRecordGrowth(L) + ImportTripleGrowth(L, 1));
  const struct {
    uint64_t room;
    bool fits;
  } cases[] = {{needed, true}, {needed - 1, false}};
  for (const auto& c : cases) {
    ASSERT_EQ(truncate(libraryPath_.c_str(), static_cast<off_t>(k4GiB - c.room)), 0);
    const ImportFitCheck fit = CheckImportFits(&library_.data, box_.path("in"));
    EXPECT_EQ(fit.needed, needed);
    EXPECT_EQ(fit.fits, c.fits);
    EXPECT_FALSE(fit.wide);
    EXPECT_EQ(fit.fileSize, k4GiB - c.room);
  }
}

}  // namespace
