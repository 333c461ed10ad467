#pragma once
// Every record a library file stores, byte for byte as on disk. Numeric fields
// stay little-endian in memory too: read them through ZEL_*_LtoN and write
// them through ZEL_*_NtoL. Text fields ([nS]) are UTF-16LE with a leading
// U+FEFF and a zero unit; convert them with the FLN_COMM_ functions.
// These layouts are the file format: never reorder or resize a field.

#include <cstddef>
#include <cstdint>

#include "format/ZelFormat.h"

typedef uint16_t FlnUniChar;  // one stored UTF-16LE code unit

struct FlnRect {  // top, left, bottom, right
  int16_t top, left, bottom, right;
};

#pragma pack(push, 1)
struct FLN_ENTRY {
  int32_t en_id;
  FlnUniChar en_file_name[128];
  FlnUniChar en_title[128];
  char en_file_create_date[18];
  FlnUniChar en_c1_name[128];
  FlnUniChar en_c2_name[128];
  FlnUniChar en_c3_name[128];
  FlnUniChar en_note[256];
  int16_t en_my_rate;
  int32_t en_co_id;
  char en_create_date[18];
  char en_update_date[18];
  char en_last_view_date[18];
  char en_last_use_date[18];
  FlnRect en_window_position;
  int32_t en_window_z_index;
  int32_t en_focus_item;
  uint8_t en_detail_toggle;
  uint8_t pad1[3];
  int32_t en_scroll_position;
  int32_t en_caret_position;
  int32_t en_selection_start;
  int32_t en_selection_end;
  FlnUniChar en_author_name[128];
  FlnUniChar en_editor_name[128];
  FlnUniChar en_supervisor_name[128];
  FlnUniChar en_publisher_name[128];
  FlnUniChar en_translator_name[128];
  int32_t en_dlg_focus_tab;
  int32_t en_dlg_focus_item;
  int32_t en_file_size;
  FlnUniChar en_file_path[512];
  FlnUniChar en_os[64];
  FlnUniChar en_machine_name[128];
  FlnRect en_pdf_window_position;
  int16_t en_entry_window_ordered_index;
  int16_t en_pdf_window_ordered_index;
  uint8_t en_is_select_entrylist;
  uint8_t pad2[3];
};

struct FLN_LABEL {
  int32_t la_id;
  int32_t itemNumber;
  FlnUniChar name[128];
  char createDate[18];
  char updateDate[18];
  uint8_t reserved[28];
};

struct FLN_CATS {
  int32_t ct_id;
  FlnUniChar cat1Name[128];
  FlnUniChar cat2Name[128];
  FlnUniChar cat3Name[128];
  char createDate[18];
  char updateDate[18];
  uint8_t reserved[28];
};

struct FLN_CATEGORY {
  int32_t ca_id;
  FlnUniChar name[128];
  char createDate[18];
  char updateDate[18];
  uint8_t reserved[28];
};

struct FLN_ATTACHMENT {
  int32_t at_id;
  int32_t en_id;
  int32_t dataIndex;
  char createDate[18];
  char updateDate[18];
  uint8_t reserved[28];
};

// The SHA-256 digest of one attachment's PDF bytes and their length, written
// when the PDF is stored. A library written before digests existed has none;
// they are added later ('check --fix', the next import).
struct FLN_ATTACHMENT_HASH {
  int32_t at_id;
  int32_t length;      // the PDF's length in bytes (a library stays below 4 GiB)
  uint8_t digest[32];  // SHA-256 of the PDF's bytes
};

struct FLN_ENV {
  int32_t ev_id;
  FlnUniChar key[64];
  FlnUniChar value[128];
  char createDate[18];
  char updateDate[18];
  uint8_t reserved[28];
};

struct FLN_ID_COUNTER {
  int32_t ic_id;
  int32_t tag;
  char key[64];
  int32_t nextId;
  char createDate[18];
  char updateDate[18];
  uint8_t reserved[28];
};

struct FLN_ENTRY_SORT {
  int32_t index;
  int32_t sortFieldKind;
  uint8_t sortFieldAscend;
  char createDate[18];
  char updateDate[18];
  uint8_t reserved[31];
};
#pragma pack(pop)

static_assert(sizeof(FLN_ENTRY) == 4644, "FLN_ENTRY is 4644 bytes on disk");
static_assert(offsetof(FLN_ENTRY, en_file_name) == 4);
static_assert(offsetof(FLN_ENTRY, en_title) == 260);
static_assert(offsetof(FLN_ENTRY, en_file_create_date) == 516);
static_assert(offsetof(FLN_ENTRY, en_c1_name) == 534);
static_assert(offsetof(FLN_ENTRY, en_c2_name) == 790);
static_assert(offsetof(FLN_ENTRY, en_c3_name) == 1046);
static_assert(offsetof(FLN_ENTRY, en_note) == 1302);
static_assert(offsetof(FLN_ENTRY, en_my_rate) == 1814);
static_assert(offsetof(FLN_ENTRY, en_co_id) == 1816);
static_assert(offsetof(FLN_ENTRY, en_create_date) == 1820);
static_assert(offsetof(FLN_ENTRY, en_update_date) == 1838);
static_assert(offsetof(FLN_ENTRY, en_last_view_date) == 1856);
static_assert(offsetof(FLN_ENTRY, en_last_use_date) == 1874);
static_assert(offsetof(FLN_ENTRY, en_window_position) == 1892);
static_assert(offsetof(FLN_ENTRY, en_window_z_index) == 1900);
static_assert(offsetof(FLN_ENTRY, en_focus_item) == 1904);
static_assert(offsetof(FLN_ENTRY, en_detail_toggle) == 1908);
static_assert(offsetof(FLN_ENTRY, en_scroll_position) == 1912);
static_assert(offsetof(FLN_ENTRY, en_caret_position) == 1916);
static_assert(offsetof(FLN_ENTRY, en_selection_start) == 1920);
static_assert(offsetof(FLN_ENTRY, en_selection_end) == 1924);
static_assert(offsetof(FLN_ENTRY, en_author_name) == 1928);
static_assert(offsetof(FLN_ENTRY, en_editor_name) == 2184);
static_assert(offsetof(FLN_ENTRY, en_supervisor_name) == 2440);
static_assert(offsetof(FLN_ENTRY, en_publisher_name) == 2696);
static_assert(offsetof(FLN_ENTRY, en_translator_name) == 2952);
static_assert(offsetof(FLN_ENTRY, en_dlg_focus_tab) == 3208);
static_assert(offsetof(FLN_ENTRY, en_dlg_focus_item) == 3212);
static_assert(offsetof(FLN_ENTRY, en_file_size) == 3216);
static_assert(offsetof(FLN_ENTRY, en_file_path) == 3220);
static_assert(offsetof(FLN_ENTRY, en_os) == 4244);
static_assert(offsetof(FLN_ENTRY, en_machine_name) == 4372);
static_assert(offsetof(FLN_ENTRY, en_pdf_window_position) == 4628);
static_assert(offsetof(FLN_ENTRY, en_entry_window_ordered_index) == 4636);
static_assert(offsetof(FLN_ENTRY, en_pdf_window_ordered_index) == 4638);
static_assert(offsetof(FLN_ENTRY, en_is_select_entrylist) == 4640);

static_assert(sizeof(FLN_LABEL) == 328);
static_assert(offsetof(FLN_LABEL, itemNumber) == 4);
static_assert(offsetof(FLN_LABEL, name) == 8);
static_assert(offsetof(FLN_LABEL, createDate) == 264);
static_assert(offsetof(FLN_LABEL, updateDate) == 282);
static_assert(offsetof(FLN_LABEL, reserved) == 300);

static_assert(sizeof(FLN_CATS) == 836);
static_assert(offsetof(FLN_CATS, cat1Name) == 4);
static_assert(offsetof(FLN_CATS, cat2Name) == 260);
static_assert(offsetof(FLN_CATS, cat3Name) == 516);
static_assert(offsetof(FLN_CATS, createDate) == 772);
static_assert(offsetof(FLN_CATS, updateDate) == 790);
static_assert(offsetof(FLN_CATS, reserved) == 808);

static_assert(sizeof(FLN_CATEGORY) == 324);
static_assert(offsetof(FLN_CATEGORY, name) == 4);
static_assert(offsetof(FLN_CATEGORY, createDate) == 260);
static_assert(offsetof(FLN_CATEGORY, updateDate) == 278);
static_assert(offsetof(FLN_CATEGORY, reserved) == 296);

static_assert(sizeof(FLN_ATTACHMENT) == 76);
static_assert(offsetof(FLN_ATTACHMENT, en_id) == 4);
static_assert(offsetof(FLN_ATTACHMENT, dataIndex) == 8);
static_assert(offsetof(FLN_ATTACHMENT, createDate) == 12);
static_assert(offsetof(FLN_ATTACHMENT, updateDate) == 30);
static_assert(offsetof(FLN_ATTACHMENT, reserved) == 48);

static_assert(sizeof(FLN_ATTACHMENT_HASH) == 40);
static_assert(offsetof(FLN_ATTACHMENT_HASH, length) == 4);
static_assert(offsetof(FLN_ATTACHMENT_HASH, digest) == 8);

static_assert(sizeof(FLN_ENV) == 452);
static_assert(offsetof(FLN_ENV, key) == 4);
static_assert(offsetof(FLN_ENV, value) == 132);
static_assert(offsetof(FLN_ENV, createDate) == 388);
static_assert(offsetof(FLN_ENV, updateDate) == 406);
static_assert(offsetof(FLN_ENV, reserved) == 424);

static_assert(sizeof(FLN_ID_COUNTER) == 140);
static_assert(offsetof(FLN_ID_COUNTER, tag) == 4);
static_assert(offsetof(FLN_ID_COUNTER, key) == 8);
static_assert(offsetof(FLN_ID_COUNTER, nextId) == 72);
static_assert(offsetof(FLN_ID_COUNTER, createDate) == 76);
static_assert(offsetof(FLN_ID_COUNTER, updateDate) == 94);
static_assert(offsetof(FLN_ID_COUNTER, reserved) == 112);

static_assert(sizeof(FLN_ENTRY_SORT) == 76);
static_assert(offsetof(FLN_ENTRY_SORT, sortFieldKind) == 4);
static_assert(offsetof(FLN_ENTRY_SORT, sortFieldAscend) == 8);
static_assert(offsetof(FLN_ENTRY_SORT, createDate) == 9);
static_assert(offsetof(FLN_ENTRY_SORT, updateDate) == 27);
static_assert(offsetof(FLN_ENTRY_SORT, reserved) == 45);

// Tags of a library file.
constexpr int32_t kTagLabel = ZelTag("LABE");
constexpr int32_t kTagEntry = ZelTag("ENTR");
constexpr int32_t kTagAttachment = ZelTag("ATTA");
constexpr int32_t kTagAttachmentData = ZelTag("ATTD");
constexpr int32_t kTagAttachmentHash = ZelTag("HASH");
constexpr int32_t kTagIdCounter = ZelTag("IDCO");
constexpr int32_t kTagEnvironment = ZelTag("ENVI");
constexpr int32_t kTagCats = ZelTag("CATS");
constexpr int32_t kTagEntrySort = ZelTag("ENSO");
constexpr int32_t kTagCat1 = ZelTag("CAT1");
constexpr int32_t kTagCat2 = ZelTag("CAT2");
constexpr int32_t kTagCat3 = ZelTag("CAT3");
constexpr int32_t kTagPrefFolderImport = ZelTag("PM01");
constexpr int32_t kTagPrefFileImport = ZelTag("PM02");
constexpr int32_t kTagPrefLibraryFolder = ZelTag("PM03");

struct FLN_ENTRY_LIST_INFO {
  int32_t sortFieldKind[3];   // entry field kinds, primary key first
  uint8_t sortFieldAscend[3]; // 1 = ascending, anything else descending
};

/// One record of cat1Ary..cat3Ary and every category name buffer: room for
/// the UTF-8 form of a whole [128S] name field (up to 128 units of at most
/// three bytes each) and a zero byte, so that names are kept and compared whole.
constexpr int32_t kCategoryNameSize = sizeof(FLN_CATS::cat1Name) / sizeof(FlnUniChar) * 3 + 1;
