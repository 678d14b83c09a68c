#pragma once
// The program's message and error box on Qt.
#include <QMessageBox>

namespace uiqt {

// A box that keeps each line of its text on one line wherever the line fits the
// screen, as the Windows box does. Qt's box wraps any text wider than half the
// screen, which breaks the centred success line (its leading blanks and time)
// and the long line-check messages in two.
class MessageBox : public QMessageBox {
 public:
  MessageBox(Icon icon, const QString& title, const QString& text);

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  void KeepLinesWhole();
};

}  // namespace uiqt
