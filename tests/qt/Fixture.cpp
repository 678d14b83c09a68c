#include "tests/qt/Fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QLabel>

#include "ui/MainTexts.h"

namespace qttest {

BoxWatcher::BoxWatcher() {
  timer_.setInterval(2);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    // Whole when the label is as wide as its widest line and as high as its lines.
    bool whole = true;
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
      const QFontMetrics metrics(label->font());
      const QStringList lines = label->text().split(QChar('\n'));
      for (const QString& line : lines) whole = whole && metrics.horizontalAdvance(line) <= label->contentsRect().width();
      whole = whole && label->contentsRect().height() >= lines.size() * metrics.height();
    }
    boxes.push_back({box->windowTitle(), box->text(), box->icon(), whole});
    box->button(QMessageBox::Ok)->click();
  });
  timer_.start();
}

void Pump(int ms) {
  QElapsedTimer t;
  t.start();
  do QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  while (t.elapsed() < ms);
}

void Windows::SetUp() {
  shell.SetApplicationTitle(ui::texts::kStartTitle);
  help = std::make_unique<ui::TFormHelp>(shell);
  form = std::make_unique<ui::TMainForm>(shell, *help);
  window = std::make_unique<uiqt::MainWindow>(*form, shell);
  window->quitApplication = [this] { ++quits; };
  shell.SetMainWindow(window.get());
  about = std::make_unique<uiqt::AboutWindow>(*help, shell);
}

void Windows::TearDown() {
  about.reset();
  window.reset();
  form.reset();
  help.reset();
  Pump(5);
}

void Windows::ShowMain() {
  window->ShowCentred();
  window->activateWindow();
  Pump();
}

QWidget* Windows::FocusedNamed() {
  for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
    if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_"))) return w;
  return nullptr;
}

}  // namespace qttest
