#include "ui/qt/AboutWindow.h"

#include <QCloseEvent>

namespace uiqt {

AboutWindow::AboutWindow(ui::TFormHelp& form, QtShell& shell) : FormWidget(form, shell), help_(form) {
  // An open About window does not keep the program running.
  setAttribute(Qt::WA_QuitOnClose, false);
  Build();
  LoadPictures();
  move(help_.Layout().left, help_.Layout().top);
  if (const auto order = ui::layout::FocusOrder(help_.Layout()); !order.empty())
    WidgetNamed(order.front()->name)->setFocus(Qt::OtherFocusReason);
  fronts_ = help_.FrontRequests();
  SyncWindow();
}

void AboutWindow::SyncWindow() {
  if (help_.Visible() != isVisible()) setVisible(help_.Visible());
  FormWidget::SyncWindow();
  if (help_.Visible() && help_.FrontRequests() != fronts_) {
    fronts_ = help_.FrontRequests();
    raise();
    activateWindow();
    if (QWidget* w = WidgetFor(help_.ActiveControl())) w->setFocus(Qt::ActiveWindowFocusReason);
  }
}

void AboutWindow::closeEvent(QCloseEvent* event) {
  // The close box and Alt+F4 only hide it (the widget is kept); the model hears
  // of it. Accepting also lets the program quit while it is open.
  event->accept();
  shell_.Deliver([this] { help_.ClosedByUser(); });
}

}  // namespace uiqt
