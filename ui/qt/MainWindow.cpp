#include "ui/qt/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QScreen>
#include <QTimer>

#include "ui/WindowRules.h"
#include "ui/qt/Skins.h"
#include "ui/qt/Widgets.h"

namespace uiqt {

namespace {

ui::Rect RectOf(const QRect& r) { return {r.left(), r.top(), r.width(), r.height()}; }

}  // namespace

MainWindow::MainWindow(ui::TMainForm& form, QtShell& shell) : FormWidget(form, shell), main_(form) {
  quitApplication = [] { QCoreApplication::quit(); };
  // The skin first: widgets created under their style sheet are polished once.
  ApplySkin();
  Build();
  // Pictures last: the first one read waits for Qt's picture readers, which
  // are being looked up on the start-up thread meanwhile (EarlyStart).
  QIcon icon;
  icon.addFile(QStringLiteral(":/images/icon32.png"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/images/icon16.png"), QSize(16, 16));
  setWindowIcon(icon);
  LoadPictures();
  main_.sSkinManager1.Subscribe([self = QPointer<MainWindow>(this)] {
    if (self) self->ApplySkin();
  });
  SyncWindow();
}

int MainWindow::FrameHeight() const { return frameGeometry().height() - geometry().height(); }

void MainWindow::SyncWindow() {
  const int height = main_.Height();
  const int client = ui::ClientHeightFor(height, FrameHeight());
  if (client > 0 && (height != appliedHeight_ || this->height() != client)) {
    appliedHeight_ = height;
    setFixedSize(main_.Layout().clientWidth, client);
  }
  FormWidget::SyncWindow();
}

void MainWindow::ApplySkin() {
  const std::string& skin = main_.sSkinManager1.SkinName();
  if (Gauge()) Gauge()->SetPalette(ui::PaletteFor(skin));
  const QString sheet = SkinStyleSheet(skin);
  if (qApp->styleSheet() == sheet) return;
  // The skin manager paints every window of the program.
  qApp->setStyleSheet(sheet);
}

void MainWindow::Centre() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QSize outer = frameGeometry().size();
  const ui::Point place = ui::CentredIn(RectOf(screen->geometry()), outer.width(), outer.height());
  if (frameGeometry().topLeft() != QPoint(place.x, place.y)) move(place.x, place.y);
}

void MainWindow::ShowCentred() {
  Centre();
  // At start the focus is in the first control of the order, outside the window.
  if (!main_.ActiveControl())
    if (const auto order = ui::layout::FocusOrder(main_.Layout()); !order.empty())
      if (QWidget* first = WidgetNamed(order.front()->name)) first->setFocus(Qt::OtherFocusReason);
  show();
  // The frame's size is known once shown.
  Centre();
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The frame is known now: an outer height can be applied exactly.
  appliedHeight_ = -1;
  SyncWindow();
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  QScreen* s = screen();
  if (!isVisible() || !s || snapping_) return;
  const QRect frame = frameGeometry();
  const ui::Point p = ui::SnapToEdges(RectOf(frame), RectOf(s->availableGeometry()), main_.Layout().snapDistance);
  if (p.x == frame.left() && p.y == frame.top()) return;
  snapping_ = true;
  move(p.x, p.y);
  snapping_ = false;
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // Widgets that were kept from painting below the compact window paint again
  // once the window shows them.
  for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!w->updatesEnabled() && rect().intersects(w->geometry())) w->setUpdatesEnabled(true);
  if (isVisible()) Post(&ui::TMainForm::FormResize);
}

void MainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) Post(&ui::TMainForm::FormActivate);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!shell_.MayClose(main_.LongOperationRunning(), [self = QPointer<MainWindow>(this)] {
        if (self) self->close();
      }))
    return event->ignore();
  event->accept();
  if (quitApplication) quitApplication();
}

void MainWindow::Post(void (ui::TMainForm::*handler)()) {
  QTimer::singleShot(0, this, [this, handler] {
    ui::TMainForm& form = main_;
    shell_.Deliver([&form, handler] { (form.*handler)(); });
  });
}

}  // namespace uiqt
