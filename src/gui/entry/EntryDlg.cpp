#include "gui/entry/EntryDlg.h"

#include <QCoreApplication>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QTabWidget>
#include <QWidget>

#include "gui/shell/Alert.h"
#include "gui/category/CategoryChooserViewController.h"
#include "gui/category/CategoryComboBox.h"
#include "gui/library/EntryCellText.h"
#include "gui/entry/EntryDlgOwner.h"
#include "gui/entry/EntryDlgPlacement.h"
#include "gui/shell/ScreenFit.h"
#include "gui/entry/EntryDlgText.h"
#include "gui/entry/PlainTextLimit.h"
#include "categories/CategoryCommands.h"
#include "categories/CategoryNameInput.h"
#include "format/CategoryNameText.h"
#include "format/CategoryNames.h"
#include "library/FlnCategoryTable.h"
#include "library/FlnEntryLookup.h"
#include "library/FlnCreateCats.h"
#include "library/FlnSave.h"
#include "format/Endian.h"
#include "format/FieldText.h"
#include "storage/TeskUtil.h"
#include "storage/OwnedAry.h"
#include "ui_EntryDlg.h"

namespace {

// Units of text a [nS] field holds besides its mark U+FEFF and zero unit.
template <typename Field>
constexpr int TextUnits() {
  return static_cast<int>(TextUnitsOfField(sizeof(Field)));
}

template <size_t N>
QString DateText(const char (&date)[N]) {
  return getViewStringFromDataChars(date, N);
}

// Qt would take "[*]" in a title for its modified mark and hide it; "[*][*]"
// shows as "[*]".
QString PlainWindowTitle(QString title) { return title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")); }

constexpr int kRateItemCount = 6;  // "なし" and one to five stars

// Clears a flag when the scope ends, however it ends.
class FlagScope {
 public:
  explicit FlagScope(bool* flag) : _flag(flag) { *_flag = true; }
  ~FlagScope() { *_flag = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool* _flag;
};

}  // namespace

EntryDlg::EntryDlg() : _window(std::make_unique<QWidget>(nullptr, Qt::Window)), _ui(std::make_unique<Ui::EntryDlg>()) {
  _ui->setupUi(_window.get());
  _ui->popMyRate->addItem(QCoreApplication::translate("EntryDlg", "なし"));
  for (int16_t rate = 1; rate < kRateItemCount; ++rate) _ui->popMyRate->addItem(RatingText(rate));
  for (QComboBox* combo : {_ui->comboCat1, _ui->comboCat2, _ui->comboCat3}) PrepareCategoryComboBox(combo);
  // Fields take no more than the entry can store, so nothing typed is lost.
  _ui->editAuthor->setMaxLength(TextUnits<decltype(FLN_ENTRY::en_author_name)>());
  _ui->editEditor->setMaxLength(TextUnits<decltype(FLN_ENTRY::en_editor_name)>());
  _ui->editSupervisor->setMaxLength(TextUnits<decltype(FLN_ENTRY::en_supervisor_name)>());
  _ui->editTranslator->setMaxLength(TextUnits<decltype(FLN_ENTRY::en_translator_name)>());
  _ui->editPublisher->setMaxLength(TextUnits<decltype(FLN_ENTRY::en_publisher_name)>());
  LimitPlainTextLength(_ui->editTitle, TextUnits<decltype(FLN_ENTRY::en_title)>());
  LimitPlainTextLength(_ui->editNote, TextUnits<decltype(FLN_ENTRY::en_note)>());

  auto* closeShortcut = new QShortcut(QKeySequence::Close, _window.get());
  connect(closeShortcut, &QShortcut::activated, this, &EntryDlg::close);
  _window->installEventFilter(this);
}

EntryDlg::~EntryDlg() {
  // Deleting a shown window deactivates it: that must not save any more.
  _closed = true;
  _window->removeEventFilter(this);
}

QWidget* EntryDlg::window() const { return _window.get(); }

void EntryDlg::setFlnEntry(EntryDlgOwner* document, FLN_DATA* flnData, const FLN_ENTRY& entry) {
  _en_id_native = ZEL_EndianLong_LtoN(entry.en_id);
  _flnData = flnData;
  _folianDocument = document;
  InitControls(entry);
  _window->setWindowTitle(PlainWindowTitle(EntryDlgTitle(FieldText(entry.en_title))));
  placeWindow(entry);
}

void EntryDlg::InitControls(const FLN_ENTRY& entry) {
  _ui->editTitle->setPlainText(FieldText(entry.en_title));
  _ui->editNote->setPlainText(FieldText(entry.en_note));
  _ui->editAuthor->setText(FieldText(entry.en_author_name));
  _ui->editEditor->setText(FieldText(entry.en_editor_name));
  _ui->editSupervisor->setText(FieldText(entry.en_supervisor_name));
  _ui->editTranslator->setText(FieldText(entry.en_translator_name));
  _ui->editPublisher->setText(FieldText(entry.en_publisher_name));

  for (int level = 1; level <= 3; ++level) fillCategoryCombo(level, entry);

  // A rating that no item shows selects none; saving then keeps it.
  const int rate = ZEL_EndianShort_LtoN(entry.en_my_rate);
  _ui->popMyRate->setCurrentIndex(rate >= 0 && rate < _ui->popMyRate->count() ? rate : -1);

  _ui->textFileName->setText(FieldText(entry.en_file_name));
  _ui->textFileSize->setText(FileSizeText(ZEL_EndianLong_LtoN(entry.en_file_size)));
  _ui->textPdfTimeStamp->setText(DateText(entry.en_file_create_date));
  _ui->textCreateDate->setText(DateText(entry.en_create_date));
  _ui->textUpdateDate->setText(DateText(entry.en_update_date));
  _ui->textLastViewDate->setText(DateText(entry.en_last_view_date));
  _ui->textLastUseDate->setText(DateText(entry.en_last_use_date));

  QLabel* levelLabels[] = {_ui->textCat1Label, _ui->textCat2Label, _ui->textCat3Label};
  const int32_t labelCount = _flnData != nullptr ? Tesk_Ary_GetSize(_flnData->label) : 0;
  for (int32_t i = 0; i < labelCount; ++i) {
    FLN_LABEL label;
    Tesk_Ary_GetData(_flnData->label, i, &label);
    const int32_t level = ZEL_EndianLong_LtoN(label.itemNumber);
    if (level >= 1 && level <= 3) levelLabels[level - 1]->setText(FlnLabelText(&label));
  }

  _ui->textID->setText(QString::number(ZEL_EndianLong_LtoN(entry.en_id)));

  const int32_t tab = ZEL_EndianLong_LtoN(entry.en_dlg_focus_tab);
  if (tab == 0 || tab == 1) _ui->tabView->setCurrentIndex(tab);
  _shown = readControls();
}

EntryDlg::ControlValues EntryDlg::readControls() const {
  ControlValues values;
  values[Tab] = QString::number(_ui->tabView->currentIndex());
  values[Title] = _ui->editTitle->toPlainText();
  values[Note] = _ui->editNote->toPlainText();
  values[Author] = _ui->editAuthor->text();
  values[Editor] = _ui->editEditor->text();
  values[Supervisor] = _ui->editSupervisor->text();
  values[Translator] = _ui->editTranslator->text();
  values[Publisher] = _ui->editPublisher->text();
  values[Cat1] = _ui->comboCat1->currentText();  // what is typed counts
  values[Cat2] = _ui->comboCat2->currentText();
  values[Cat3] = _ui->comboCat3->currentText();
  values[Rate] = QString::number(_ui->popMyRate->currentIndex());
  return values;
}

void EntryDlg::setControl(Control control, const QString& value) {
  switch (control) {
    case Tab: _ui->tabView->setCurrentIndex(value.toInt()); break;
    case Title: _ui->editTitle->setPlainText(value); break;
    case Note: _ui->editNote->setPlainText(value); break;
    case Author: _ui->editAuthor->setText(value); break;
    case Editor: _ui->editEditor->setText(value); break;
    case Supervisor: _ui->editSupervisor->setText(value); break;
    case Translator: _ui->editTranslator->setText(value); break;
    case Publisher: _ui->editPublisher->setText(value); break;
    case Cat1: _ui->comboCat1->setCurrentText(value); break;
    case Cat2: _ui->comboCat2->setCurrentText(value); break;
    case Cat3: _ui->comboCat3->setCurrentText(value); break;
    case Rate: _ui->popMyRate->setCurrentIndex(value.toInt()); break;
    case ControlCount: break;
  }
}

void EntryDlg::showStoredEntry() {
  FLN_ENTRY entry;
  if (_flnData == nullptr || _saving || _closed || GetFLNEntry_ByID(_flnData->entry, _en_id_native, &entry) != 1)
    return;
  const ControlValues edited = readControls();
  const ControlValues before = _shown;
  InitControls(entry);
  _window->setWindowTitle(PlainWindowTitle(EntryDlgTitle(FieldText(entry.en_title))));
  // What the user changed and has not saved yet stays, to be saved.
  for (int control = 0; control < ControlCount; ++control)
    if (edited[control] != before[control]) setControl(static_cast<Control>(control), edited[control]);
}

void EntryDlg::fillCategoryCombo(int level, const FLN_ENTRY& entry) {
  QComboBox* combos[] = {_ui->comboCat1, _ui->comboCat2, _ui->comboCat3};
  int (*const distinctNames[])(TESK_ARY, TESK_ARY) = {
      GetDistinctCat1Ary_FromCatsAry, GetDistinctCat2Ary_FromCatsAry, GetDistinctCat3Ary_FromCatsAry};
  const QString stored[] = {FieldText(entry.en_c1_name), FieldText(entry.en_c2_name), FieldText(entry.en_c3_name)};

  // The level's distinct names over the whole table, その他 last. Without
  // memory for them the box offers none but still shows the entry's name.
  OwnedAry names(Tesk_Ary_Init(kCategoryNameSize, 20, 20));
  if (names != nullptr && _flnData != nullptr) {
    distinctNames[level - 1](_flnData->catsAry, names.get());
    Tesk_Ary_QuickSort(names.get(), CategorySortFunc);
  }
  // A name that no item shows (one too long for a category record is cut in
  // the items) is shown whole as typed text, so saving keeps it.
  SetupCategoryComboBox(combos[level - 1], names.get(), stored[level - 1].toStdString());
}

void EntryDlg::placeWindow(const FLN_ENTRY& entry) {
  EntryDlgPlacementInput input;
  input.stored.top = ZEL_EndianShort_LtoN(entry.en_window_position.top);
  input.stored.left = ZEL_EndianShort_LtoN(entry.en_window_position.left);
  input.stored.bottom = ZEL_EndianShort_LtoN(entry.en_window_position.bottom);
  input.stored.right = ZEL_EndianShort_LtoN(entry.en_window_position.right);
  QWidget* front = _folianDocument != nullptr ? _folianDocument->frontWindow() : nullptr;
  if (front != nullptr && front != _window.get() && front->isVisible()) input.behind = front->frameGeometry();
  input.size = _window->frameGeometry().size();
  if (QScreen* primary = QGuiApplication::primaryScreen()) input.display = primary->availableGeometry();
  for (QScreen* screen : QGuiApplication::screens()) input.screens.append(screen->geometry());
  _window->move(FrameCornerOnScreen(_window.get(), EntryDlgOrigin(input)));
}

void EntryDlg::show() {
  makeKeyAndOrderFront();
  FLN_ENTRY entry;
  if (_flnData != nullptr && GetFLNEntry_ByID(_flnData->entry, _en_id_native, &entry) == 1) {
    Tesk_GetCurrentTimeAsString(entry.en_last_view_date, sizeof entry.en_last_view_date);
    if (!writeEntryAndSave(&entry) && _folianDocument != nullptr) _folianDocument->reportSaveFailure();
  }
  // The showing itself moved the window: only what happens from now on is
  // the user's doing.
  _observing = true;
}

void EntryDlg::makeKeyAndOrderFront() {
  _window->setWindowState(_window->windowState() & ~Qt::WindowMinimized);
  _window->show();
  _window->raise();
  _window->activateWindow();
}

bool EntryDlg::save() {
  if (_flnData == nullptr || _saving) return false;
  FLN_ENTRY entry;
  if (GetFLNEntry_ByID(_flnData->entry, _en_id_native, &entry) != 1) return false;
  FlagScope saving(&_saving);

  QString refusal;
  storeChangedControls(&entry, &refusal);

  char names[3][kCategoryNameSize];
  for (int level = 1; level <= 3; ++level) ReadCategoryNameOf(entry, level, names[level - 1]);
  bool catsAdded = true;
  if (IsCatsExists(_flnData->catsAry, names[0], names[1], names[2]) == 0)
    catsAdded = CreateFlnCats(names[0], names[1], names[2], _flnData->idCounter, _flnData->catsAry) == 0;

  const bool written = writeEntryAndSave(&entry);
  if (_folianDocument != nullptr) {
    _folianDocument->makeEntryList();
    _folianDocument->makeCategoryLists();
  }
  FLN_ENTRY saved;
  if (GetFLNEntry_ByID(_flnData->entry, _en_id_native, &saved) == 1) InitControls(saved);

  if (!refusal.isEmpty()) FLN_COMM_Alert_OK(_window.get(), refusal);
  if (!catsAdded) FLN_COMM_Alert_OK(_window.get(), CannotAddCategoryMessage());
  if (!written && _folianDocument != nullptr) _folianDocument->reportSaveFailure();
  return written;
}

void EntryDlg::storeChangedControls(FLN_ENTRY* entry, QString* refusal) const {
  const ControlValues now = readControls();
  const auto changed = [&](Control control) { return now[control] != _shown[control]; };
  if (changed(Tab)) entry->en_dlg_focus_tab = ZEL_EndianLong_NtoL(now[Tab].toInt());

  // A text that does not fit leaves the field as it was.
  const struct {
    Control control;
    FlnUniChar* field;
    size_t size;
  } texts[] = {
      {Title, entry->en_title, sizeof entry->en_title},
      {Note, entry->en_note, sizeof entry->en_note},
      {Author, entry->en_author_name, sizeof entry->en_author_name},
      {Editor, entry->en_editor_name, sizeof entry->en_editor_name},
      {Supervisor, entry->en_supervisor_name, sizeof entry->en_supervisor_name},
      {Translator, entry->en_translator_name, sizeof entry->en_translator_name},
      {Publisher, entry->en_publisher_name, sizeof entry->en_publisher_name},
  };
  for (const auto& text : texts)
    if (changed(text.control)) FLN_COMM_CopyUniStr_FromNSString_NtoL(now[text.control], text.field, text.size);

  FlnUniChar* catFields[] = {entry->en_c1_name, entry->en_c2_name, entry->en_c3_name};
  for (int i = 0; i < 3; ++i) {
    const Control control = static_cast<Control>(Cat1 + i);
    if (!changed(control)) continue;
    QString name = now[control];
    const QByteArray utf8 = name.toUtf8();
    // The name for every category would make the entry unreachable through
    // the lists: the stored name stays, and the user is told.
    const QString refused = CheckEntryCategoryName(utf8.constData(), false);
    if (!refused.isEmpty()) {
      *refusal = refused;
      continue;
    }
    // A name that a category record cannot hold whole would be cut in the
    // lists and no longer find its entries: the stored name stays.
    if (!CategoryNameFits(utf8.constData())) continue;
    if (name.isEmpty()) name = QString::fromUtf8(kCategoryOther);
    FLN_COMM_CopyUniStr_FromNSString_NtoL(name, catFields[i], sizeof entry->en_c1_name);
  }

  const int rate = now[Rate].toInt();
  if (changed(Rate) && rate >= 0) entry->en_my_rate = ZEL_EndianShort_NtoL(static_cast<int16_t>(rate));
}

bool EntryDlg::writeEntryAndSave(FLN_ENTRY* entry) {
  if (UpdateEntry(_flnData->entry, entry) != 1) return false;
  return SaveAllWithoutEntrySort(_flnData->filePath, _flnData).ok();
}

void EntryDlg::windowMoved() {
  if (_flnData == nullptr || _saving) return;
  FLN_ENTRY entry;
  if (GetFLNEntry_ByID(_flnData->entry, _en_id_native, &entry) != 1) return;
  FlagScope saving(&_saving);  // an alert about a failed save deactivates the window
  const FlnRect frame = EntryDlgFrameToFlnRect(_window->frameGeometry());
  entry.en_window_position.top = ZEL_EndianShort_NtoL(frame.top);
  entry.en_window_position.left = ZEL_EndianShort_NtoL(frame.left);
  entry.en_window_position.bottom = ZEL_EndianShort_NtoL(frame.bottom);
  entry.en_window_position.right = ZEL_EndianShort_NtoL(frame.right);
  if (!writeEntryAndSave(&entry) && _folianDocument != nullptr) _folianDocument->reportSaveFailure();
}

void EntryDlg::windowWillClose() {
  save();
  emit closed();
}

void EntryDlg::close() {
  if (!_closed) _window->close();
}

bool EntryDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched != _window.get() || _closed) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Move:
      if (_observing) windowMoved();
      break;
    case QEvent::WindowDeactivate:
      if (_observing) save();
      break;
    case QEvent::Close:
      if (_observing) windowWillClose();
      // Hiding the closed window deactivates it; that saves nothing more.
      _closed = true;
      deleteLater();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

