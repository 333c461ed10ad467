#include "transfer/ImportEntry.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <cstring>

#include "format/Endian.h"
#include "format/FieldText.h"
#include "storage/FolianCommon.h"
#include "storage/TeskUtil.h"
#include "transfer/FlxPath.h"

namespace {

// A file name cut to `maxUnits`, keeping its extension when that leaves room
// for at least one character of the stem.
QString FitFileName(const QString& name, size_t maxUnits) {
  if (static_cast<size_t>(name.size()) <= maxUnits) return name;
  const qsizetype dot = name.lastIndexOf(u'.');
  if (dot > 0) {
    const QString ext = name.mid(dot);
    if (static_cast<size_t>(ext.size()) < maxUnits)
      return CutText_ToUnits(name.left(dot), maxUnits - static_cast<size_t>(ext.size())) + ext;
  }
  return CutText_ToUnits(name, maxUnits);
}

}  // namespace

ImportSystemFacts CurrentImportSystemFacts() {
  return ImportSystemFacts{QSysInfo::prettyProductName(), QSysInfo::machineHostName()};
}

QDateTime FileCreationDate(const std::string& path) {
  const QFileInfo info(QFile::decodeName(path.c_str()));
  const QDateTime birth = info.birthTime();
  return birth.isValid() ? birth : info.lastModified();
}

bool ImportPathFits(const std::string& path) {
  return path.size() + 1 <= kFlnPathBufferSize &&
         static_cast<size_t>(QFile::decodeName(path.c_str()).size()) <=
             TextUnitsOfField(sizeof(FLN_ENTRY::en_file_path));
}

void BuildEntry_FromFile(const std::string& path, int64_t fileSize, const QDateTime& created,
                         const char* const categories[3], const ImportSystemFacts& facts, FLN_ENTRY* entry) {
  std::memset(entry, 0, sizeof *entry);
  const QString fullPath = QFile::decodeName(path.c_str());
  const QString name = fullPath.mid(fullPath.lastIndexOf(u'/') + 1);

  StoreFittedText(FitFileName(name, TextUnitsOfField(sizeof entry->en_file_name)), entry->en_file_name,
                  sizeof entry->en_file_name);
  StoreFittedText(name, entry->en_title, sizeof entry->en_title);
  StoreFittedText(fullPath, entry->en_file_path, sizeof entry->en_file_path);
  StoreFittedText(QString::fromUtf8(categories[0]), entry->en_c1_name, sizeof entry->en_c1_name);
  StoreFittedText(QString::fromUtf8(categories[1]), entry->en_c2_name, sizeof entry->en_c2_name);
  StoreFittedText(QString::fromUtf8(categories[2]), entry->en_c3_name, sizeof entry->en_c3_name);
  StoreFittedText(facts.os, entry->en_os, sizeof entry->en_os);
  StoreFittedText(facts.machineName, entry->en_machine_name, sizeof entry->en_machine_name);

  entry->en_file_size = ZEL_EndianLong_NtoL(static_cast<int32_t>(static_cast<uint32_t>(fileSize)));
  if (created.isValid()) FLN_COMM_NSDateToString(created, entry->en_file_create_date, sizeof entry->en_file_create_date);
  Tesk_GetCurrentTimeAsString(entry->en_create_date, sizeof entry->en_create_date);
  Tesk_GetCurrentTimeAsString(entry->en_update_date, sizeof entry->en_update_date);
}

void ForgetWindowState(FLN_ENTRY* entry) {
  entry->en_entry_window_ordered_index = 0;
  entry->en_pdf_window_ordered_index = 0;
  entry->en_is_select_entrylist = 0;
}

void ForgetEnvironment(FLN_ENTRY* entry) {
  ForgetWindowState(entry);
  entry->en_window_position = FlnRect{};
  entry->en_pdf_window_position = FlnRect{};
  entry->en_window_z_index = 0;
  entry->en_focus_item = 0;
  entry->en_detail_toggle = 0;
  entry->en_scroll_position = 0;
  entry->en_caret_position = 0;
  entry->en_selection_start = 0;
  entry->en_selection_end = 0;
  entry->en_dlg_focus_tab = 0;
  entry->en_dlg_focus_item = 0;
}
