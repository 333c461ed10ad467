#include "AppTestSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>

#include "gui/library/CategoryLevelPane.h"
#include "gui/library/FolianDocument.h"
#include "gui/library/EntryListModel.h"
#include "library/FlnCreateCats.h"
#include "library/FlnEnvironment.h"
#include "library/FlnIdCounter.h"
#include "library/FlnLoad.h"
#include "library/FlnNewLibrary.h"
#include "library/FlnSave.h"
#include "format/Endian.h"
#include "format/FieldText.h"

namespace apptest {

namespace {

void SetText(void* field, size_t size, const std::string& text) {
  memset(field, 0, size);
  ASSERT_EQ(FLN_COMM_ConvertCharToUniChar_NtoL(text.c_str(), field, size), 1) << text;
}

}  // namespace

void WriteLibrary(const QString& path, const LibraryContents& contents) {
  const QByteArray file = path.toUtf8();
  ASSERT_TRUE(CreateNewLibraryFile(file.constData()).ok());
  FLN_DATA data;
  ASSERT_TRUE(ReadFlnDataFromFlnFile(file.constData(), &data).ok());
  for (const auto& triple : contents.triples)
    ASSERT_EQ(CreateFlnCats(triple[0].c_str(), triple[1].c_str(), triple[2].c_str(), data.idCounter, data.catsAry), 0);
  for (const EntryContents& e : contents.entries) {
    FLN_ENTRY entry;
    memset(&entry, 0, sizeof entry);
    entry.en_id = ZEL_EndianLong_NtoL(GetIdFromIdCounter(data.idCounter, kTagEntry, "en_id"));
    SetText(entry.en_title, sizeof entry.en_title, e.title);
    SetText(entry.en_file_name, sizeof entry.en_file_name, e.title + ".pdf");
    SetText(entry.en_c1_name, sizeof entry.en_c1_name, e.c1);
    SetText(entry.en_c2_name, sizeof entry.en_c2_name, e.c2);
    SetText(entry.en_c3_name, sizeof entry.en_c3_name, e.c3);
    SetText(entry.en_author_name, sizeof entry.en_author_name, e.author);
    entry.en_file_size = ZEL_EndianLong_NtoL(e.fileSize);
    entry.en_my_rate = ZEL_EndianShort_NtoL(e.rate);
    strncpy(entry.en_update_date, e.updateDate.c_str(), sizeof entry.en_update_date - 1);
    ASSERT_EQ(Tesk_Ary_Add(data.entry, &entry), 0);
  }
  if (contents.sort.sortFieldKind[0] != 0) data.entryListInfo = contents.sort;
  ASSERT_TRUE(SaveAll(file.constData(), &data).ok());
  FreeFlnData(&data);
}

EntryContents Entry(const std::string& title, const std::string& c1, const std::string& c2, const std::string& c3) {
  EntryContents entry;
  entry.title = title;
  entry.c1 = c1;
  entry.c2 = c2;
  entry.c3 = c3;
  return entry;
}

LibraryContents WorkedExample() {
  LibraryContents contents;
  contents.triples = {{"A", "X", "P"}, {"A", "Y", "Q"}, {"B", "X", "Q"}};
  contents.entries = {Entry("axp", "A", "X", "P"), Entry("ayq", "A", "Y", "Q"), Entry("bxq", "B", "X", "Q")};
  return contents;
}

ScriptedAlerts::ScriptedAlerts() {
  SetAlertResponder([this](const AlertRequest& request) {
    asked.push_back(request);
    if (request.kind != AlertRequest::Confirmation || answers.empty()) return false;
    const bool answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  });
}

ScriptedAlerts::~ScriptedAlerts() { SetAlertResponder(nullptr); }

QStringList ScriptedAlerts::texts() const {
  QStringList result;
  for (const AlertRequest& request : asked) result << request.text;
  return result;
}

QStringList CategoryRows(FolianDocument* document, int level) {
  QStringList rows;
  QAbstractItemModel* model = document->folianCategory(level)->tableView()->model();
  for (int row = 0; row < model->rowCount(); ++row) rows << model->index(row, 0).data().toString();
  return rows;
}

QStringList EntryColumn(FolianDocument* document, const char* identifier) {
  QStringList texts;
  EntryListModel* model = document->entryListModel();
  const int column = EntryListModel::columnOf(identifier);
  for (int row = 0; row < model->rowCount(); ++row) texts << model->index(row, column).data().toString();
  return texts;
}

void ClickRow(QAbstractItemView* view, int row) {
  const QModelIndex index = view->model()->index(row, 0);
  view->scrollTo(index);
  const QRect rect = view->visualRect(index);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

QString EnvironmentValue(FolianDocument* document, const char* key) {
  char value[kEnvValueBufferSize];
  if (GetEnvironmentValue(document->flnData()->envAry, key, value) != 1) return QString();
  return QString::fromUtf8(value);
}

void AnswerNextModal(std::function<void(QWidget*)> answer) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    answer(modal);
  });
  timer->start();
}

}  // namespace apptest
