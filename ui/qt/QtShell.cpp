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

#include "ui/qt/MessageBox.h"
#include "ui/qt/Text.h"

#include "forms/Synchronizer.h"

namespace uiqt {

void QtShell::ShowBox(bool error, const std::string& text) {
  // Each box is captioned with the title by name. Not Qt's display name: X11
  // would append that to every other window's title.
  MessageBox box(error ? QMessageBox::Critical : QMessageBox::NoIcon, ToQt(ApplicationTitle()), WithLineBreaks(text));
  box.exec();
}

void QtShell::Sleep(unsigned ms) {
  // A plain block: nothing is pumped while the device gets its time.
  if (ms == 0) std::this_thread::yield();
  else std::this_thread::sleep_for(std::chrono::milliseconds(ms));
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

std::optional<std::string> QtShell::ChooseFile(const std::string& filter) {
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

void QtShell::InstallSynchronizerWake() {
  // Called from the port thread: only posting is safe there.
  InstallSynchronizer([] {
    QMetaObject::invokeMethod(
        qApp, [] { forms::Synchronizer::Instance().CheckSynchronize(); }, Qt::QueuedConnection);
  });
}

}  // namespace uiqt
