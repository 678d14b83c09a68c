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
#include "ui/qt/KeyMap.h"
#include "ui/qt/Text.h"
#include "ui/qt/Widgets.h"

namespace uiqt {

AboutWindow::AboutWindow(ui::TFormHelp& form, QtShell& shell)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      form_(form),
      shell_(shell) {
  setObjectName(QStringLiteral("FormHelp"));
  // An open About window does not keep the program running.
  setAttribute(Qt::WA_QuitOnClose, false);
  setFont(WindowFont(11));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
  setPalette(pal);
  setFixedSize(ui::TFormHelp::kClientWidth, ui::TFormHelp::kClientHeight);
  move(ui::TFormHelp::kLeft, ui::TFormHelp::kTop);

  auto* emblem = new QLabel(this);
  emblem->setObjectName(QStringLiteral("Image_Emblem"));
  emblem->setGeometry(16, 16, 121, 89);
  emblem->setPixmap(QPixmap(QStringLiteral(":/images/emblem.jpg")));
  emblem->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  emblem->setScaledContents(false);

  auto* link = new WebLabel(kLinkColor, this);
  link->setObjectName(QStringLiteral("sWebLabel1"));
  link->setGeometry(29, 119, 91, 13);
  link->onClick = [this] { shell_.Deliver([this] { form_.sWebLabel1Click(); }); };

  button1_ = new QPushButton(this);
  button1_->setObjectName(QStringLiteral("Button1"));
  button1_->setGeometry(35, 145, 81, 33);
  button1_->setAutoDefault(true);
  button1_->setDefault(true);
  button1_->setFocusPolicy(Qt::StrongFocus);
  connect(button1_, &QPushButton::clicked, this, [this] { shell_.Deliver([this] { form_.Button1Click(); }); });

  for (QWidget* w : findChildren<QWidget*>()) w->setFont(font());

  Application::SetKeyPreview(this, [this](QKeyEvent& event) {
    const std::uint16_t key = VirtualKey(event.key());
    if (key == 0) return;
    const ui::TShiftState shift = ShiftState(event);
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
