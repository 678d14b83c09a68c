#include "ui/qt/MessageBox.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <algorithm>

namespace uiqt {

MessageBox::MessageBox(Icon icon, const QString& title, const QString& text)
    : QMessageBox(icon, title, text, QMessageBox::Ok) {
  setTextFormat(Qt::PlainText);
}

bool MessageBox::event(QEvent* e) {
  const bool result = QMessageBox::event(e);
  // Qt sizes the box again on every layout request, wrapping as it goes.
  if (e->type() == QEvent::LayoutRequest) KeepLinesWhole();
  return result;
}

void MessageBox::showEvent(QShowEvent* e) {
  QMessageBox::showEvent(e);
  KeepLinesWhole();
}

void MessageBox::KeepLinesWhole() {
  auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  if (!label || !label->wordWrap() || !layout()) return;
  const QFontMetrics metrics(label->font());
  int widest = 0;
  for (const QString& line : label->text().split(QChar('\n')))
    widest = std::max(widest, metrics.horizontalAdvance(line));
  // What the box needs besides its text: the icon, the margins.
  layout()->activate();
  const int around = layout()->totalMinimumSize().width() - label->minimumSizeHint().width();
  const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!where || widest + around > where->availableGeometry().width()) return;  // wrapped, as Qt does
  label->setWordWrap(false);
  layout()->activate();
  const QSize needed = layout()->totalMinimumSize();
  setFixedSize(std::max(needed.width(), width()), needed.height());
  QCoreApplication::removePostedEvents(this, QEvent::LayoutRequest);
}

}  // namespace uiqt
