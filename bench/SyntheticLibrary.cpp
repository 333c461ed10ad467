#include "SyntheticLibrary.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "format/FieldText.h"
#include "format/CategoryNames.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnArraySync.h"
#include "library/FlnCreateCats.h"
#include "library/FlnIdCounter.h"
#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"
#include "library/FlnSave.h"
#include "format/Endian.h"
#include "format/FieldText.h"
#include "storage/FolianCommon.h"
#include "storage/TeskUtil.h"
#include "storage/ZelFile.h"

namespace {

const char* const kLevel1[] = {"技術書", "小説", "Computer Science", "歴史", "Mathematics",
                               "料理",   "旅行", "Philosophy",       "経済", kCategoryOther};
const char* const kLevel2[] = {"入門", "Reference", "論文", "雑誌", kCategoryOther};
const char* const kLevel3[] = {"未読", "読書中", "Read", kCategoryOther};
static_assert(std::size(kLevel1) * std::size(kLevel2) * std::size(kLevel3) == kSyntheticTriples);

const char* const kJapaneseWords[] = {"入門",       "実践",     "プログラミング", "データ構造",     "アルゴリズム",
                                      "日本の歴史", "宇宙の話", "経済学",         "料理の基本",     "旅の記録",
                                      "数学",       "哲学",     "物語",           "設計",           "第２版",
                                      "解説",       "演習",     "ハンドブック",   "吾輩は猫である", "雪国"};
const char* const kLatinWords[] = {
    "The Art of", "Introduction to", "Computer", "Programming", "Algorithms", "Modern",  "History", "Mathematics",
    "Design",     "Vol. 2",          "Essays",   "Principles",  "Practical",  "Systems", "Theory",  "Notes on"};
const char* const kFamilyNames[] = {"山田", "佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "中村", "小林", "加藤"};
const char* const kGivenNames[] = {"太郎", "花子", "一郎", "美咲", "健", "由美", "翔", "陽子"};
const char* const kLatinNames[] = {"Alice Johnson", "Robert Miller", "María García", "Jean Dupont",
                                   "Hans Müller",   "Emily Clark",   "Luca Rossi",   "Anna Kowalska"};
const char* const kPublishers[] = {"技術評論社", "岩波書店", "O'Reilly Media", "Springer", "講談社", "MIT Press"};

template <size_t N>
const char* Pick(std::mt19937& rng, const char* const (&words)[N]) {
  return words[std::uniform_int_distribution<size_t>(0, N - 1)(rng)];
}

std::string Title(std::mt19937& rng) {
  std::string title;
  const bool japanese = rng() % 2 == 0;
  const int words = 2 + static_cast<int>(rng() % 3);
  for (int i = 0; i < words; ++i) {
    if (i > 0) title += japanese ? "　" : " ";
    title += japanese ? Pick(rng, kJapaneseWords) : Pick(rng, kLatinWords);
  }
  return title;
}

std::string Person(std::mt19937& rng) {
  if (rng() % 3 == 0) return Pick(rng, kLatinNames);
  return std::string(Pick(rng, kFamilyNames)) + " " + Pick(rng, kGivenNames);
}

void SetText(void* field, size_t bytes, const std::string& text) {
  FLN_COMM_ConvertCharToUniChar_NtoL(text.c_str(), field, bytes);
}
#define SET_TEXT(record, field, text) SetText((record).field, sizeof((record).field), (text))

FLN_ENTRY MakeEntry(std::mt19937& rng, int32_t id, int triple) {
  FLN_ENTRY e;
  std::memset(&e, 0, sizeof e);
  e.en_id = ZEL_EndianLong_NtoL(id);
  const std::string title = Title(rng);
  const std::string fileName = "document_" + std::to_string(id) + ".pdf";
  SET_TEXT(e, en_title, title);
  SET_TEXT(e, en_file_name, fileName);
  SET_TEXT(e, en_c1_name, kLevel1[triple / 20]);
  SET_TEXT(e, en_c2_name, kLevel2[(triple / 4) % 5]);
  SET_TEXT(e, en_c3_name, kLevel3[triple % 4]);
  SET_TEXT(e, en_note, "メモ: " + title + " を読む。Notes about chapter " + std::to_string(rng() % 30));
  SET_TEXT(e, en_author_name, Person(rng));
  if (rng() % 4 == 0) SET_TEXT(e, en_editor_name, Person(rng));
  if (rng() % 5 == 0) SET_TEXT(e, en_translator_name, Person(rng));
  SET_TEXT(e, en_publisher_name, Pick(rng, kPublishers));
  SET_TEXT(e, en_file_path, "/home/user/ドキュメント/書庫/" + fileName);
  SET_TEXT(e, en_os, "Debian GNU/Linux 12 (bookworm)");
  SET_TEXT(e, en_machine_name, "workstation");
  e.en_my_rate = ZEL_EndianShort_NtoL(static_cast<int16_t>(rng() % 6));
  e.en_file_size = ZEL_EndianLong_NtoL(static_cast<int32_t>(10000 + rng() % 50000000));
  std::snprintf(e.en_file_create_date, sizeof e.en_file_create_date, "20%02u%02u%02u120000000",
                static_cast<unsigned>(rng() % 25), 1 + static_cast<unsigned>(rng() % 12),
                1 + static_cast<unsigned>(rng() % 28));
  Tesk_GetCurrentTimeAsString(e.en_create_date, sizeof e.en_create_date);
  Tesk_GetCurrentTimeAsString(e.en_update_date, sizeof e.en_update_date);
  return e;
}

std::string SmallPdf(int32_t id) {
  std::string pdf = "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n";
  pdf += "2 0 obj << /Type /Pages /Kids [] /Count 0 >> endobj\n% document " + std::to_string(id) + "\n";
  pdf += std::string(static_cast<size_t>(200 + id % 300), ' ');
  return pdf + "\ntrailer << /Root 1 0 R >>\n%%EOF\n";
}

bool Fail(const char* what) {
  std::fprintf(stderr, "building the library failed: %s\n", what);
  return false;
}

}  // namespace

bool WriteSyntheticLibrary(const std::string& path, int entries) {
  if (!CreateNewLibraryFile(path.c_str()).ok()) return Fail("create");
  FLN_DATA data;
  if (!ReadFlnDataFromFlnFile(path.c_str(), &data).ok()) return Fail("load");
  std::mt19937 rng(20261208);
  bool ok = true;

  // The new library already holds (その他, その他, その他), the last triple.
  for (int t = 0; t < kSyntheticTriples - 1 && ok; ++t)
    ok = CreateFlnCats(kLevel1[t / 20], kLevel2[(t / 4) % 5], kLevel3[t % 4], data.idCounter, data.catsAry) == 0;

  ZEL_FILE file;
  ok = ok && ZEL_Open(path.c_str(), 0, &file) == ZEL_OK;
  const bool opened = ok;
  ok = ok && BeginWriteOutsideSavedTags(&data, &file);
  for (int i = 0; i < entries && ok; ++i) {
    const int32_t id = GetIdFromIdCounter(data.idCounter, kTagEntry, "en_id");
    const FLN_ENTRY e = MakeEntry(rng, id, static_cast<int>(rng() % kSyntheticTriples));
    const std::string pdf = SmallPdf(id);
    FLN_ATTACHMENT a;
    std::memset(&a, 0, sizeof a);
    a.at_id = ZEL_EndianLong_NtoL(GetIdFromIdCounter(data.idCounter, kTagAttachment, "at_id"));
    a.en_id = e.en_id;
    a.dataIndex = ZEL_EndianLong_NtoL(i);
    Tesk_GetCurrentTimeAsString(a.createDate, sizeof a.createDate);
    Tesk_GetCurrentTimeAsString(a.updateDate, sizeof a.updateDate);
    ok = Tesk_Ary_Add(data.entry, &e) == 0 && Tesk_Ary_Add(data.attachment, &a) == 0 &&
         ZEL_AddData(&file, kTagAttachmentData, static_cast<uint32_t>(pdf.size()), pdf.data()) == ZEL_OK;
  }
  ok = ok && ZEL_Commit(&file) == ZEL_OK;
  if (ok) EndWriteOutsideSavedTags(&data, &file);
  if (opened) ZEL_Close(&file);
  if (!ok) {
    FreeFlnData(&data);
    return Fail("entries");
  }
  ok = SaveAll(path.c_str(), &data).ok();
  FreeFlnData(&data);
  return ok || Fail("save");
}
