#include "ui/qt/AboutWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>

#include "ui/Main.h"
#include "ui/qt/Application.h"
#include "ui/qt/FromLayout.h"
#include "ui/qt/KeyMap.h"
#include "ui/qt/Text.h"
#include "ui/qt/Widgets.h"

namespace uiqt {

namespace layout = ui::layout;

AboutWindow::AboutWindow(ui::TFormHelp& form, QtShell& shell)
    : QWidget(nullptr, WindowFlagsOf(layout::kFormHelp)), form_(form), shell_(shell) {
  setObjectName(QString::fromLatin1(layout::kFormHelp.name));
  // An open About window does not keep the program running.
  setAttribute(Qt::WA_QuitOnClose, false);
  ApplyWindowLayout(this, layout::kFormHelp);
  move(layout::kFormHelp.left, layout::kFormHelp.top);

  const layout::ControlLayout& emblemLayout = *layout::Find(layout::kFormHelp, "Image_Emblem");
  auto* emblem = new QLabel(this);
  ApplyLayout(emblem, emblemLayout);
  emblem->setPixmap(QPixmap(PictureResource(emblemLayout.picture)));
  emblem->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  emblem->setScaledContents(false);

  const layout::ControlLayout& linkLayout = *layout::Find(layout::kFormHelp, "sWebLabel1");
  auto* link = new WebLabel(ColorOf(linkLayout.text), ColorOf(linkLayout.hoverText), this);
  ApplyLayout(link, linkLayout);
  link->onClick = [this] { shell_.Deliver([this] { form_.sWebLabel1Click(); }); };

  button1_ = new QPushButton(this);
  ApplyLayout(button1_, *layout::Find(layout::kFormHelp, "Button1"));
  button1_->setAutoDefault(true);
  button1_->setDefault(true);
  connect(button1_, &QPushButton::clicked, this, [this] { shell_.Deliver([this] { form_.Button1Click(); }); });

  for (QWidget* w : findChildren<QWidget*>()) w->setFont(font());

  Application::SetKeyPreview(this, [this](QKeyEvent& event) {
    const std::uint16_t key = VirtualKey(event.key());
    if (key == 0) return;
    const forms::TShiftState shift = ShiftState(event);
    shell_.Deliver([this, key, shift] { form_.FormKeyDown(key, shift); });
  });

  // Controls that never change after the layout: set once.
  link->setText(ToQt(form_.sWebLabel1.Caption()));
  button1_->setText(ToQt(form_.Button1.Caption));
  button1_->setFocus(Qt::OtherFocusReason);
  form_.Subscribe([self = QPointer<AboutWindow>(this)] {
    if (self) self->Sync();
  });
  auto syncControls = [self = QPointer<AboutWindow>(this), link] {
    if (!self) return;
    link->setText(ToQt(self->form_.sWebLabel1.Caption()));
    link->setEnabled(self->form_.sWebLabel1.Enabled());
    self->button1_->setText(ToQt(self->form_.Button1.Caption));
    self->button1_->setEnabled(self->form_.Button1.Enabled());
  };
  form_.sWebLabel1.Subscribe(syncControls);
  form_.Button1.Subscribe(syncControls);
  fronts_ = form_.FrontRequests();
  Sync();
}

AboutWindow::~AboutWindow() { Application::SetKeyPreview(this, nullptr); }

void AboutWindow::Sync() {
  setWindowTitle(ToQt(form_.Caption()));
  if (form_.Visible() && !isVisible()) show();
  if (!form_.Visible() && isVisible()) hide();
  if (form_.ActiveControl() == &form_.Button1 && focusWidget() != button1_) button1_->setFocus(Qt::OtherFocusReason);
  if (form_.Visible() && form_.FrontRequests() != fronts_) {
    fronts_ = form_.FrontRequests();
    raise();
    activateWindow();
    if (form_.ActiveControl() == &form_.Button1) button1_->setFocus(Qt::ActiveWindowFocusReason);
  }
}

void AboutWindow::closeEvent(QCloseEvent* event) {
  // The close box and Alt+F4 only hide it (the widget is kept); the model hears
  // of it. Accepting also lets the program quit while it is open.
  event->accept();
  shell_.Deliver([this] { form_.ClosedByUser(); });
}

}  // namespace uiqt
