// Which texts a PDF names itself by are taken as its entry's title and
// author, and what an import and the refill command make of them.

#include "library/FlnLoad.h"
#include "transfer/PdfTitleInfo.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <cstring>
#include <map>

#include "TransferTestSupport.h"
#include "transfer/FlxWriter.h"
#include "transfer/PdfImport.h"
#include "transfer/PdfInfoRefill.h"
#include "library/FlnLoad.h"

namespace {

TEST(PlausibleTitle, KeepsRealTitlesAndRefusesWhatProgramsWriteInstead) {
  const struct {
    QString text;
    QString title;  // empty: refused
  } cases[] = {
      {"A Study of Things", "A Study of Things"},
      {"  Deep\n  learning\t(2nd ed.) ", "Deep learning (2nd ed.)"},
      {QStringLiteral("日本語の論文"), QStringLiteral("日本語の論文")},
      {QStringLiteral("２０２４年度　報告書"), QStringLiteral("２０２４年度 報告書")},
      {"Node.js in Action", "Node.js in Action"},
      {"", ""},
      {"   \n\t ", ""},
      {QStringLiteral("\u3000"), ""},
      {"---  ***", ""},
      {"Microsoft Word - report.doc", ""},
      {"Microsoft PowerPoint - slides", ""},
      {"draft.tex", ""},
      {"scan0001.PDF", ""},
      {"Thesis final v3.docx", ""},
      {"C:\\Users\\me\\paper.doc", ""},
      {"/home/me/thesis", ""},
      {"untitled", ""},
      {"Untitled 3", ""},
      {QStringLiteral("無題"), ""},
      {QStringLiteral("T\uFFFDtulo"), ""},
      {QStringLiteral("ab\u0001cd"), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(PlausibleTitle(c.text), c.title) << c.text.toStdString();
}

TEST(PlausibleAuthor, KeepsNamesAndRefusesPlaceholders) {
  const struct {
    QString text;
    QString author;
  } cases[] = {
      {"Jane Doe", "Jane Doe"},
      {QStringLiteral(" 山田\n太郎 "), QStringLiteral("山田 太郎")},
      {"A. Author, B. Author", "A. Author, B. Author"},
      {"Administrator", ""},
      {"user", ""},
      {"OWNER", ""},
      {"Unknown", ""},
      {"   ", ""},
      {"report.doc", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(PlausibleAuthor(c.text), c.author) << c.text.toStdString();
}

}  // namespace

namespace {

using namespace transfertest;

// Stands in for the PDF engine: the title and author of each PDF, by its bytes.
struct FakeInfo {
  std::map<QByteArray, std::pair<QString, QString>> of;
  int reads = 0;
  PdfInfoReader reader() {
    return [this](const QByteArray& pdf, QString* title, QString* author) {
      ++reads;
      const auto found = of.find(pdf);
      *title = found != of.end() ? found->second.first : QString();
      *author = found != of.end() ? found->second.second : QString();
    };
  }
};

class PdfInfoRefillTest : public SandboxLibraryTest {};

TEST_F(PdfInfoRefillTest, SelectedEntriesTakeTheirPdfsTitleAndAuthorAgain) {
  box_.makeFolder("in");
  FakeInfo info;
  info.of[box_.writePdf("in/a.pdf", 900, 1)] = {"Real Title", "Jane Doe"};
  info.of[box_.writePdf("in/b.pdf", 900, 2)] = {"Microsoft Word - b.doc", "Administrator"};
  info.of[box_.writePdf("in/c.pdf", 900, 3)] = {"", QStringLiteral("山田 太郎")};
  box_.writePdf("in/d.pdf", 900, 4);
  ASSERT_EQ(ImportPDFFiles(&library_.data, box_.path("in").c_str(), nullptr, "", "", "").imported, 4);
  const auto rowOf = [&](const std::string& fileName) {
    for (int32_t row = 0; row < static_cast<int32_t>(library_.data.shownRows.size()); ++row) {
      FLN_ENTRY e;
      EXPECT_EQ(GetFLNEntry_ByFLNData(&library_.data, row, &e), 1);
      if (FIELD_TEXT(e, en_file_name) == fileName) return row;
    }
    return -1;
  };
  clock_.set(ExportTime());

  const PdfInfoRefillResult r = RefillTitlesFromPdfInfo(
      &library_.data, {rowOf("a.pdf"), rowOf("b.pdf"), rowOf("c.pdf"), rowOf("d.pdf")}, info.reader());
  EXPECT_EQ(r.changed, 2);
  EXPECT_EQ(r.withoutInfo, 2);  // b names nothing plausible, d nothing at all
  EXPECT_TRUE(r.problems.empty());
  EXPECT_TRUE(r.save.ok());

  // As the library file holds them now.
  Library reloaded;
  ASSERT_NO_FATAL_FAILURE(Load(libraryPath_, &reloaded));
  const struct {
    std::string fileName, title, author, updateDate;
  } expected[] = {{"a.pdf", "Real Title", "Jane Doe", kExportDate},
                  {"b.pdf", "b.pdf", "", kFixedDate},
                  {"c.pdf", "c.pdf", "山田 太郎", kExportDate},
                  {"d.pdf", "d.pdf", "", kFixedDate}};
  const std::vector<FLN_ENTRY> entries = Entries(reloaded.data.entry);
  for (const auto& e : expected) {
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const FLN_ENTRY& x) { return FIELD_TEXT(x, en_file_name) == e.fileName; });
    ASSERT_NE(found, entries.end()) << e.fileName;
    EXPECT_EQ(FIELD_TEXT(*found, en_title), e.title) << e.fileName;
    EXPECT_EQ(FIELD_TEXT(*found, en_author_name), e.author) << e.fileName;
    EXPECT_EQ(FIELD_CHARS(*found, en_update_date), e.updateDate) << e.fileName;
  }

  // Done again, nothing changes and nothing is saved.
  const PdfInfoRefillResult again = RefillTitlesFromPdfInfo(&library_.data, {rowOf("a.pdf")}, info.reader());
  EXPECT_EQ(again.changed, 0);
}

TEST_F(PdfInfoRefillTest, AnImportTakesThePdfsTitleAndAuthorOnlyWithoutAMetadataFileAndWhenAsked) {
  box_.makeFolder("in");
  FakeInfo info;
  info.of[box_.writePdf("in/a.pdf", 900, 1)] = {"Real Title", "Jane Doe"};
  info.of[box_.writePdf("in/b.pdf", 900, 2)] = {"Microsoft Word - b.doc", "Administrator"};
  info.of[box_.writePdf("in/c.pdf", 900, 3)] = {"Not This", "Nor This"};
  box_.writeText("in/n.pdf", "no PDF at all");
  FLN_ENTRY flx;
  std::memset(&flx, 0, sizeof flx);
  SET_FIELD_TEXT(flx, en_title, "From flx");
  SET_FIELD_TEXT(flx, en_file_name, "c.pdf");
  ASSERT_EQ(WriteFLXFile(&flx, box_.path("in/c.flx").c_str()), kFlxWriteOk);

  const struct {
    bool fromPdf;
    std::map<std::string, std::pair<std::string, std::string>> expected;  // file name → title, author
    int reads;
  } cases[] = {
      {true, {{"a.pdf", {"Real Title", "Jane Doe"}}, {"b.pdf", {"b.pdf", ""}}, {"c.pdf", {"From flx", ""}},
              {"n.pdf", {"n.pdf", ""}}}, 2},
      {false, {{"a.pdf", {"a.pdf", ""}}, {"b.pdf", {"b.pdf", ""}}, {"c.pdf", {"From flx", ""}},
               {"n.pdf", {"n.pdf", ""}}}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fromPdf ? "from the PDF" : "from the file name");
    Tesk_Ary_RemoveAll(library_.data.entry);
    info.reads = 0;
    const ImportResult r = ImportPDFFiles(&library_.data, box_.path("in").c_str(), nullptr, "", "", "", nullptr,
                                          false, c.fromPdf ? info.reader() : PdfInfoReader());
    EXPECT_EQ(r.imported, 4);
    EXPECT_EQ(info.reads, c.reads);
    for (const FLN_ENTRY& e : Entries(library_.data.entry)) {
      const auto found = c.expected.find(FIELD_TEXT(e, en_file_name));
      ASSERT_NE(found, c.expected.end()) << FIELD_TEXT(e, en_file_name);
      EXPECT_EQ(FIELD_TEXT(e, en_title), found->second.first) << found->first;
      EXPECT_EQ(FIELD_TEXT(e, en_author_name), found->second.second) << found->first;
    }
  }
}

}  // namespace
