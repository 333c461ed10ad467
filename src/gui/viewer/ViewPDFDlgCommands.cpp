// The viewer window's commands: its buttons, page box, search field and
// menus, and which menu items are enabled and checked.

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QToolButton>
#include <algorithm>

#include "pdfview/PdfView.h"
#include "pdfview/PdfPrinting.h"
#include "gui/viewer/ViewPDFDlg.h"
#include "ui_ViewPDFDlg.h"

void ViewPDFDlg::connectControls() {
  Ui::ViewPDFDlg* ui = _ui.get();
  connect(ui->buttonPreviousPage, &QToolButton::clicked, this, &ViewPDFDlg::goToPreviousPage);
  connect(ui->buttonNextPage, &QToolButton::clicked, this, &ViewPDFDlg::goToNextPage);
  connect(ui->buttonZoomIn, &QToolButton::clicked, this, &ViewPDFDlg::zoomIn);
  connect(ui->buttonZoomOut, &QToolButton::clicked, this, &ViewPDFDlg::zoomOut);
  connect(ui->btnToolModeCrosshair, &QToolButton::clicked, this, &ViewPDFDlg::modeHand);
  connect(ui->btnToolModeText, &QToolButton::clicked, this, &ViewPDFDlg::modeText);
  connect(ui->textBoxPage, &QLineEdit::returnPressed, this, &ViewPDFDlg::pageJump);
  connect(ui->textBoxSearch, &QLineEdit::returnPressed, this, &ViewPDFDlg::nextSearch);
  // Highlights of another text than the one in the field would mislead.
  connect(ui->textBoxSearch, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (searchedTexts(text) != _ui->pdfView->highlightedTexts()) _ui->pdfView->setHighlightedTexts({});
  });
  connect(ui->pdfView, &PdfView::pageChanged, this, &ViewPDFDlg::pageChanged);
  connect(ui->pdfView, &PdfView::scaleChanged, this, &ViewPDFDlg::scaleChanged);

  const std::pair<QAction*, void (ViewPDFDlg::*)()> commands[] = {
      {ui->printDocument, &ViewPDFDlg::printDocument},
      {ui->runPageLayout, &ViewPDFDlg::runPageLayout},
      {ui->copy, &ViewPDFDlg::copy},
      {ui->displaySinglePage, &ViewPDFDlg::displaySinglePage},
      {ui->displaySinglePageContinous, &ViewPDFDlg::displaySinglePageContinous},
      {ui->displayTwoUp, &ViewPDFDlg::displayTwoUp},
      {ui->displayTwoUpContinous, &ViewPDFDlg::displayTwoUpContinous},
      {ui->defaultSize, &ViewPDFDlg::defaultSize},
      {ui->zoomIn, &ViewPDFDlg::zoomIn},
      {ui->zoomOut, &ViewPDFDlg::zoomOut},
      {ui->autoSize, &ViewPDFDlg::autoSize},
      {ui->goToFirstPage, &ViewPDFDlg::goToFirstPage},
      {ui->goToPreviousPage, &ViewPDFDlg::goToPreviousPage},
      {ui->goToNextPage, &ViewPDFDlg::goToNextPage},
      {ui->goToLastPage, &ViewPDFDlg::goToLastPage},
      {ui->goBack, &ViewPDFDlg::goBack},
      {ui->goForward, &ViewPDFDlg::goForward},
      {ui->modeText, &ViewPDFDlg::modeText},
      {ui->modeHand, &ViewPDFDlg::modeHand},
      {ui->findPDF, &ViewPDFDlg::findPDF},
      {ui->nextSearch, &ViewPDFDlg::nextSearch},
      {ui->backSearch, &ViewPDFDlg::backSearch},
  };
  for (const auto& [item, command] : commands) {
    connect(item, &QAction::triggered, this, [this, item = item, command = command] {
      // A shortcut may fire although no menu was opened to update the item.
      if (validateMenuItem(item)) (this->*command)();
      updateMenuStates();
    });
  }
  connect(ui->performClose, &QAction::triggered, _window.get(), &QWidget::close);
  for (QMenu* menu : _window->findChildren<QMenu*>())
    connect(menu, &QMenu::aboutToShow, this, &ViewPDFDlg::updateMenuStates);
  updateMenuStates();
}

void ViewPDFDlg::updateMenuStates() {
  for (QAction* item : _window->findChildren<QAction*>())
    if (!item->objectName().isEmpty() && !item->menu()) item->setEnabled(validateMenuItem(item));
}

bool ViewPDFDlg::validateMenuItem(QAction* item) const {
  const PdfView* view = _ui->pdfView;
  const QString name = item->objectName();
  bool enabled = true;
  bool checked = false;
  if (name == QLatin1String("modeText")) {
    checked = _ui->btnToolModeText->isChecked();
  } else if (name == QLatin1String("modeHand")) {
    checked = _ui->btnToolModeCrosshair->isChecked();
  } else if (name == QLatin1String("goToFirstPage")) {
    enabled = view->canGoToFirstPage();
  } else if (name == QLatin1String("goToPreviousPage")) {
    enabled = view->canGoToPreviousPage();
  } else if (name == QLatin1String("goToNextPage")) {
    enabled = view->canGoToNextPage();
  } else if (name == QLatin1String("goToLastPage")) {
    enabled = view->canGoToLastPage();
  } else if (name == QLatin1String("goBack")) {
    enabled = view->canGoBack();
  } else if (name == QLatin1String("goForward")) {
    enabled = view->canGoForward();
  } else if (name == QLatin1String("defaultSize")) {
    checked = view->scaleFactor() == 1.0;
  } else if (name == QLatin1String("zoomIn")) {
    enabled = view->canZoomIn();
  } else if (name == QLatin1String("zoomOut")) {
    enabled = view->canZoomOut();
  } else if (name == QLatin1String("autoSize")) {
    checked = view->autoScales();
  } else if (name == QLatin1String("displaySinglePage")) {
    checked = view->displayMode() == kDisplaySinglePage;
  } else if (name == QLatin1String("displaySinglePageContinous")) {
    checked = view->displayMode() == kDisplaySinglePageContinuous;
  } else if (name == QLatin1String("displayTwoUp")) {
    checked = view->displayMode() == kDisplayTwoUp;
  } else if (name == QLatin1String("displayTwoUpContinous")) {
    checked = view->displayMode() == kDisplayTwoUpContinuous;
  } else if (name == QLatin1String("toggleSidebar")) {
    checked = sidebarShown();
  }
  if (item->isCheckable()) item->setChecked(checked);
  return enabled;
}

void ViewPDFDlg::goToFirstPage() { _ui->pdfView->goToFirstPage(); }
void ViewPDFDlg::goToLastPage() { _ui->pdfView->goToLastPage(); }
void ViewPDFDlg::goToNextPage() { _ui->pdfView->goToNextPage(); }
void ViewPDFDlg::goToPreviousPage() { _ui->pdfView->goToPreviousPage(); }
void ViewPDFDlg::goBack() { _ui->pdfView->goBack(); }
void ViewPDFDlg::goForward() { _ui->pdfView->goForward(); }
void ViewPDFDlg::zoomIn() { _ui->pdfView->zoomIn(); }
void ViewPDFDlg::zoomOut() { _ui->pdfView->zoomOut(); }
void ViewPDFDlg::displaySinglePage() { _ui->pdfView->setDisplayMode(kDisplaySinglePage); }
void ViewPDFDlg::displaySinglePageContinous() { _ui->pdfView->setDisplayMode(kDisplaySinglePageContinuous); }
void ViewPDFDlg::displayTwoUp() { _ui->pdfView->setDisplayMode(kDisplayTwoUp); }
void ViewPDFDlg::displayTwoUpContinous() { _ui->pdfView->setDisplayMode(kDisplayTwoUpContinuous); }
void ViewPDFDlg::autoSize() { _ui->pdfView->setAutoScales(!_ui->pdfView->autoScales()); }
void ViewPDFDlg::defaultSize() { _ui->pdfView->setScaleFactor(1.0); }
void ViewPDFDlg::copy() { _ui->pdfView->copy(); }

void ViewPDFDlg::pageJump() {
  bool isNumber = false;
  const int number = _ui->textBoxPage->text().trimmed().toInt(&isNumber);
  if (isNumber && number >= 1 && number <= _ui->pdfView->pageCount())
    _ui->pdfView->goToPage(number - 1);
  else
    resetPageNum();
}

void ViewPDFDlg::resetPageNum() { _ui->textBoxPage->setText(QString::number(_ui->pdfView->currentPage() + 1)); }

void ViewPDFDlg::pageChanged() {
  _ui->buttonPreviousPage->setEnabled(_ui->pdfView->canGoToPreviousPage());
  _ui->buttonNextPage->setEnabled(_ui->pdfView->canGoToNextPage());
  resetPageNum();
  // A disabled item's shortcut does not fire: the items follow the document
  // (loaded, page turned, history grown), not only the opening of a menu.
  updateMenuStates();
}

void ViewPDFDlg::scaleChanged() {
  _ui->buttonZoomIn->setEnabled(_ui->pdfView->canZoomIn());
  _ui->buttonZoomOut->setEnabled(_ui->pdfView->canZoomOut());
  updateMenuStates();
}

void ViewPDFDlg::findPDF() { _ui->textBoxSearch->setFocus(Qt::ShortcutFocusReason); }

QStringList ViewPDFDlg::searchedTexts(const QString& field) const {
  if (!_hitTexts.isEmpty() && field == _hitTextsShown) return _hitTexts;
  return field.trimmed().isEmpty() ? QStringList() : QStringList{field};
}

void ViewPDFDlg::nextSearch() {
  PdfView* view = _ui->pdfView;
  const QStringList texts = searchedTexts(_ui->textBoxSearch->text());
  view->setHighlightedTexts(texts);
  _ui->textBoxSearch->setFocus(Qt::OtherFocusReason);
  view->find(PdfTextSearch::After(texts, view->currentSelection(), false), [this](const PdfTextSelection& found) { showFound(found); });
}

void ViewPDFDlg::backSearch() {
  PdfView* view = _ui->pdfView;
  const QStringList texts = searchedTexts(_ui->textBoxSearch->text());
  view->setHighlightedTexts(texts);
  view->find(PdfTextSearch::After(texts, view->currentSelection(), true), [this](const PdfTextSelection& found) { showFound(found); });
}

void ViewPDFDlg::showSearchHits(const QStringList& texts) {
  PdfView* view = _ui->pdfView;
  QStringList shown;
  for (const QString& text : texts) {
    const QString words = text.simplified();
    if (!words.isEmpty()) shown << (words.contains(QLatin1Char(' ')) ? QLatin1Char('"') + words + QLatin1Char('"') : words);
  }
  _hitTexts = texts;
  _hitTextsShown = shown.join(QLatin1Char(' '));
  _ui->textBoxSearch->setText(_hitTextsShown);
  view->setHighlightedTexts(texts);
  view->find(PdfTextSearch::FromPage(texts, std::max(0, view->currentPage())), [this, texts](const PdfTextSelection& found) {
    if (found.isValid()) {
      showFound(found);
      return;
    }
    // None from the current page on: the first in the document.
    _ui->pdfView->find(PdfTextSearch::FromPage(texts, 0), [this](const PdfTextSelection& first) { showFound(first); });
  });
}

void ViewPDFDlg::showFound(const PdfTextSelection& found) {
  if (!found.isValid()) {
    _beep();
    return;
  }
  _ui->pdfView->setCurrentSelection(found);
  _ui->pdfView->scrollSelectionToVisible();
}

void ViewPDFDlg::modeHand() {
  _ui->btnToolModeCrosshair->setChecked(true);
  _ui->btnToolModeText->setChecked(false);
  _ui->pdfView->setToolMode(kToolModeHand);
}

void ViewPDFDlg::modeText() {
  _ui->btnToolModeText->setChecked(true);
  _ui->btnToolModeCrosshair->setChecked(false);
  _ui->pdfView->setToolMode(kToolModeText);
}

void ViewPDFDlg::printDocument() {
  _ui->pdfView->printDocument();
  stampDate(false);
  stampDate(true);
}

void ViewPDFDlg::runPageLayout() { RunPageLayout(_window.get()); }
