// The viewer window's sidebar (outline and thumbnails, PdfSidebar.h): its
// place beside the view, the 表示 menu item that shows and hides it, and
// its state, kept for the whole library in the environment value
// kEnvViewerSidebar: "0" hidden, "1" the outline shown, "2" the thumbnails.

#include <QCoreApplication>
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QSignalBlocker>
#include <QSplitter>

#include "gui/viewer/ViewPDFDlg.h"
#include "library/FlnEnvironment.h"
#include "library/FlnSave.h"
#include "pdfview/PdfView.h"
#include "pdfview/PdfSidebar.h"
#include "ui_ViewPDFDlg.h"

namespace {

constexpr int kSidebarWidth = 180;  // pixels, when it first shows

}  // namespace

void ViewPDFDlg::buildSidebar() {
  auto* splitter = new QSplitter(Qt::Horizontal);
  splitter->setObjectName(QStringLiteral("sidebarSplitter"));
  splitter->setChildrenCollapsible(false);
  _sidebar = new PdfSidebar(_ui->pdfView);
  _sidebar->setObjectName(QStringLiteral("sidebar"));
  delete _ui->windowLayout->replaceWidget(_ui->pdfView, splitter);
  splitter->addWidget(_sidebar);
  splitter->addWidget(_ui->pdfView);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({kSidebarWidth, 10 * kSidebarWidth});
  _sidebar->hide();

  _toggleSidebar =
      new QAction(QCoreApplication::translate("ViewPDFDlgSidebar", "サイドバー（目次とサムネイル）"), _window.get());
  _toggleSidebar->setObjectName(QStringLiteral("toggleSidebar"));
  _toggleSidebar->setCheckable(true);
  _toggleSidebar->setShortcut(QKeySequence(Qt::Key_F9));
  _ui->menuView->addSeparator();
  _ui->menuView->addAction(_toggleSidebar);
  _window->addAction(_toggleSidebar);  // its shortcut works with the menu closed
  connect(_toggleSidebar, &QAction::triggered, this, &ViewPDFDlg::toggleSidebar);
  connect(_sidebar, &QTabWidget::currentChanged, this, [this] {
    if (_sidebar->isVisible()) storeSidebarState();
  });
}

bool ViewPDFDlg::sidebarShown() const { return !_sidebar->isHidden(); }

PdfSidebar* ViewPDFDlg::sidebar() const { return _sidebar; }

void ViewPDFDlg::toggleSidebar() {
  _sidebar->setVisible(!sidebarShown());
  _toggleSidebar->setChecked(sidebarShown());
  storeSidebarState();
}

void ViewPDFDlg::restoreSidebarState() {
  char value[kEnvValueBufferSize] = "";
  if (_flnData == nullptr || GetEnvironmentValue(_flnData->envAry, kEnvViewerSidebar, value) != 1) return;
  const QByteArray state(value);
  _sidebar->setVisible(state == "1" || state == "2");
  const QSignalBlocker blocker(_sidebar);
  _sidebar->setCurrentIndex(state == "2" ? PdfSidebar::kThumbnailPanel : PdfSidebar::kOutlinePanel);
  _toggleSidebar->setChecked(sidebarShown());
}

void ViewPDFDlg::storeSidebarState() {
  if (_flnData == nullptr) return;
  const char* state = !sidebarShown()                                             ? "0"
                      : _sidebar->currentIndex() == PdfSidebar::kThumbnailPanel ? "2"
                                                                                  : "1";
  char stored[kEnvValueBufferSize] = "";
  if (GetEnvironmentValue(_flnData->envAry, kEnvViewerSidebar, stored) == 1 && qstrcmp(stored, state) == 0) return;
  if (SaveEnvironment(_flnData, kEnvViewerSidebar, state) != 0) return;
  const bool written = SaveAllWithoutEntrySort(_flnData->filePath, _flnData).ok();
  emit librarySaved(_en_id_native, written);
}
