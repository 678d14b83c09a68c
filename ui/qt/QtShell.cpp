#include "ui/qt/QtShell.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTime>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <thread>

#include "forms/Errors.h"
#include "ui/qt/MessageBox.h"
#include "ui/qt/Text.h"

#include "forms/Synchronizer.h"

namespace uiqt {

namespace {

void ShowBox(QMessageBox::Icon icon, const std::string& title, const std::string& text) {
  MessageBox box(icon, ToQt(title), WithLineBreaks(text));
  box.exec();
}

}  // namespace

void QtShell::SetApplicationTitle(const std::string& title) {
  // Each box and window is captioned with it by name. Not Qt's display name:
  // X11 would append that to every other window's title.
  title_ = title;
}

void QtShell::ShowMessage(const std::string& text) {
  if (closing_) return;
  ShowBox(QMessageBox::NoIcon, title_, text);
}

void QtShell::ShowErrorBox(const std::string& text) {
  if (closing_) return;
  ShowBox(QMessageBox::Critical, title_, text);
}

void QtShell::MessageBeep(unsigned type) { sounds_.PlayEvent(type); }

void QtShell::Beep(unsigned frequencyHz, unsigned durationMs) { sounds_.PlayTone(frequencyHz, durationMs); }

void QtShell::Sleep(unsigned ms) {
  // A plain block: nothing is pumped while the device gets its time.
  if (ms == 0) std::this_thread::yield();
  else std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void QtShell::ProcessMessages() {
  if (closing_) throw forms::EApplicationClosing();
  QCoreApplication::processEvents();
  forms::Synchronizer::Instance().CheckSynchronize();
  if (closing_) throw forms::EApplicationClosing();
}

void QtShell::BringToFront() {
  if (!mainWindow_) return;
  QWidget* target = QApplication::activeWindow() ? QApplication::activeWindow() : mainWindow_.data();
  target->raise();
  target->activateWindow();
}

void QtShell::RepaintMainWindow() {
  if (mainWindow_) mainWindow_->repaint();
}

void QtShell::ShellExecute(const std::string&, const std::string& file, unsigned) {
  const QString target = ToQt(file);
  const QUrl url = target.contains(QStringLiteral("://")) ? QUrl(target) : QUrl::fromLocalFile(target);
  QDesktopServices::openUrl(url);  // the result is not looked at
}

QString QtShell::QtFilter(const std::string& filter) {
  const QStringList parts = ToQt(filter).split(QChar('|'));
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QChar(';'), QChar(' '));
    out << parts[i] + QStringLiteral(" (") + patterns + QChar(')');
  }
  return out.join(QStringLiteral(";;"));
}

std::optional<std::string> QtShell::OpenFileDialog(const std::string& filter) {
  if (closing_) return std::nullopt;
  const QString path = QFileDialog::getOpenFileName(mainWindow_, QString(), QString(), QtFilter(filter));
  if (path.isEmpty()) return std::nullopt;
  return QFile::encodeName(path).toStdString();
}

std::string QtShell::LongTimeOfDay() {
  // The locale's long time format without its time zone, as the desktop shows it.
  QString format = QLocale::system().timeFormat(QLocale::LongFormat);
  format.remove(QRegularExpression(QStringLiteral("\\s*t+")));
  format = format.trimmed();
  if (format.isEmpty()) format = QStringLiteral("hh:mm:ss");
  return FromQt(QLocale::system().toString(QTime::currentTime(), format));
}

void QtShell::Deliver(const std::function<void()>& handler) {
  ++depth_;
  forms::RunAtTheEdge(*this, handler);
  --depth_;
  if (depth_ == 0 && closing_ && onUnwound_ && !unwoundPosted_) {
    unwoundPosted_ = true;
    // Queued, so the window closes from the event loop, not from inside the
    // event that ran the handler.
    QTimer::singleShot(0, [fn = onUnwound_] { fn(); });
  }
}

void QtShell::InstallSynchronizerWake() {
  auto& sync = forms::Synchronizer::Instance();
  sync.SetMainThread();
  // Called from the port thread: only posting is safe there.
  sync.SetWakeMainThread([] {
    QMetaObject::invokeMethod(
        qApp, [] { forms::Synchronizer::Instance().CheckSynchronize(); }, Qt::QueuedConnection);
  });
  sync.SetErrorHandler([this](const std::exception_ptr& error) { Deliver([error] { std::rethrow_exception(error); }); });
}

void QtShell::RequestClosing(std::function<void()> onUnwound) {
  closing_ = true;
  onUnwound_ = std::move(onUnwound);
  if (depth_ == 0 && !unwoundPosted_) {
    unwoundPosted_ = true;
    QTimer::singleShot(0, [fn = onUnwound_] { fn(); });
  }
}

}  // namespace uiqt
