#include "tests/qt/Fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>

#include "ui/MainTexts.h"

namespace qttest {

BoxWatcher::BoxWatcher() {
  timer_.setInterval(2);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    boxes.push_back({box->windowTitle(), box->text(), box->icon()});
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
