#include "ui/qt/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <memory>
#include <utility>

#include "ui/qt/Application.h"
#include "ui/qt/KeyMap.h"
#include "ui/qt/Skins.h"
#include "ui/qt/Text.h"
#include "ui/qt/Widgets.h"

namespace uiqt {

namespace {

constexpr int kListRowHeight = 15;
const QColor kSkinnedLabelText(67, 76, 88);

template <class W>
W* Place(W* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(left, top, width, height);
  return widget;
}

QFrame* MakePanel(QWidget* parent, const char* name, int left, int top, int width, int height) {
  auto* panel = Place(new QFrame(parent), name, left, top, width, height);
  panel->setProperty("skinSection", "PANEL");
  panel->setFrameShape(QFrame::NoFrame);
  return panel;
}

QToolButton* MakePictureButton(QWidget* parent, const char* name, int side, int left, int top, int width,
                               int height) {
  auto* button = Place(new QToolButton(parent), name, left, top, width, height);
  button->setProperty("skinSection", "PICTURE");
  button->setIconSize(QSize(side, side));
  button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setCursor(Qt::PointingHandCursor);
  return button;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* section, int left, int top, int width,
                        int height) {
  auto* button = Place(new QPushButton(parent), name, left, top, width, height);
  button->setProperty("skinSection", section);
  button->setFocusPolicy(Qt::StrongFocus);
  // A focused button takes Enter as well as Space.
  button->setAutoDefault(true);
  return button;
}

QComboBox* MakeList(QWidget* parent, const char* name, bool editable, int left, int top, int width, int height) {
  auto* list = Place(new ListBox(kListRowHeight, parent), name, left, top, width, height);
  list->setProperty("skinSection", "COMBOBOX");
  list->setEditable(editable);
  list->setInsertPolicy(QComboBox::NoInsert);
  list->setFocusPolicy(Qt::StrongFocus);
  QPalette pal = list->palette();
  pal.setColor(QPalette::Base, Qt::white);
  pal.setColor(QPalette::Button, Qt::white);
  pal.setColor(QPalette::Text, Qt::black);
  pal.setColor(QPalette::ButtonText, Qt::black);
  list->setPalette(pal);
  return list;
}

QPlainTextEdit* MakeMemo(QWidget* parent, const char* name, int fontPixels, int left, int top, int width, int height) {
  auto* memo = Place(new QPlainTextEdit(parent), name, left, top, width, height);
  memo->setFont(WindowFont(fontPixels));
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setTabChangesFocus(true);  // Tab moves on, as in every other control
  memo->setFocusPolicy(Qt::StrongFocus);
  return memo;
}

void SetTextColor(QWidget* widget, const QColor& color) {
  QPalette pal = widget->palette();
  pal.setColor(QPalette::WindowText, color);
  widget->setPalette(pal);
}

}  // namespace

MainWindow::MainWindow(ui::TMainForm& form, QtShell& shell)
    : QWidget(nullptr,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                  Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      form_(form),
      shell_(shell) {
  quitApplication = [] { QCoreApplication::quit(); };
  setObjectName(QStringLiteral("MainForm"));
  // The skin first: widgets created under their style sheet are polished once.
  ApplySkin();
  setFont(WindowFont(11));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Light));
  setPalette(pal);
  setFixedSize(ui::TMainForm::kClientWidth, ui::TMainForm::kClientHeight);

  Build();
  // Pictures last: the first one read waits for Qt's picture readers, which
  // are being looked up on the start-up thread meanwhile (EarlyStart).
  QIcon icon;
  icon.addFile(QStringLiteral(":/images/icon32.png"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/images/icon16.png"), QSize(16, 16));
  setWindowIcon(icon);
  for (auto [control, picture] : {std::pair{&form_.ButtonWrite, ":/images/write48.png"},
                                  std::pair{&form_.PNGButton6, ":/images/about24.png"}})
    static_cast<QToolButton*>(WidgetFor(control))->setIcon(QIcon(QString::fromLatin1(picture)));

  form_.Subscribe([self = QPointer<MainWindow>(this)] {
    if (self) self->SyncWindow();
  });
  form_.sSkinManager1.Subscribe([self = QPointer<MainWindow>(this)] {
    if (self) self->ApplySkin();
  });
  focusConnection_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    for (QWidget* w = now; w && w != this; w = w->parentWidget()) {
      auto it = controls_.find(w);
      if (it != controls_.end()) {
        form_.SetActiveControl(it->second);
        return;
      }
    }
  });
  Application::SetKeyPreview(this, [this](QKeyEvent& event) {
    const std::uint16_t key = VirtualKey(event.key());
    if (key == 0) return;
    const ui::TShiftState shift = ShiftState(event);
    shell_.Deliver([this, key, shift] { form_.FormKeyDown(key, shift); });
  });
  SyncWindow();
}

MainWindow::~MainWindow() {
  disconnect(focusConnection_);
  Application::SetKeyPreview(this, nullptr);
}

void MainWindow::Build() {
  auto& f = form_;

  QFrame* panel1 = MakePanel(this, "sPanel1", 7, 8, 289, 73);
  BindCommon(f.sPanel1, panel1);

  auto* label1 = Place(new ClickLabel(panel1), "Label1", 49, 17, 28, 13);
  SetTextColor(label1, kSkinnedLabelText);
  label1->onClick = [this] { Run(&ui::TMainForm::Label1Click); };
  BindLabel(f.Label1, label1, false);

  QComboBox* cbPort = MakeList(panel1, "cbPort", false, 30, 37, 73, 21);
  cbPort->setCursor(Qt::PointingHandCursor);
  BindList(f.cbPort, cbPort, &ui::TMainForm::cbPortChange);

  QToolButton* write = MakePictureButton(panel1, "ButtonWrite", 48, 128, 8, 73, 57);
  connect(write, &QToolButton::clicked, this, [this] { Run(&ui::TMainForm::ButtonWriteClick); });
  BindButton(f.ButtonWrite, write);

  QToolButton* about = MakePictureButton(panel1, "PNGButton6", 24, 224, 15, 41, 42);
  connect(about, &QToolButton::clicked, this, [this] { Run(&ui::TMainForm::PNGButton6Click); });
  BindButton(f.PNGButton6, about);

  auto* status = Place(new QLabel(this), "LabelNameOfHex", 10, 87, 86, 13);
  SetTextColor(status, kSkinnedLabelText);
  BindLabel(f.LabelNameOfHex, status, true);

  gauge_ = Place(new GaugeWidget(f.ProgressbarReadWrite, this), "ProgressbarReadWrite", 6, 104, 289, 17);
  gauge_->setProperty("skinSection", "BAR");
  BindCommon(f.ProgressbarReadWrite, gauge_);

  // A plain label: it grows with its caption, so the pauses are read whole.
  auto* label3 = Place(new QLabel(this), "Label3", 12, 149, 110, 13);
  BindLabel(f.Label3, label3, true);

  auto* progress = Place(new QProgressBar(this), "ProgressbarWrite", 8, 167, 265, 9);
  progress->setProperty("skinSection", "BAR");
  progress->setTextVisible(false);
  progress->setFocusPolicy(Qt::NoFocus);
  BindProgressBar(f.ProgressbarWrite, progress);

  QComboBox* cbBaudRate = MakeList(this, "cbBaudRate", false, 16, 190, 81, 21);
  cbBaudRate->setCursor(Qt::PointingHandCursor);
  BindList(f.cbBaudRate, cbBaudRate, &ui::TMainForm::cbBaudRateChange);

  QFrame* panel3 = MakePanel(this, "sPanel3", 248, 200, 41, 153);
  BindCommon(f.sPanel3, panel3);
  QPushButton* site = MakeButton(panel3, "sButton2", "DIALOG", 8, 12, 25, 57);
  connect(site, &QPushButton::clicked, this, [this] { Run(&ui::TMainForm::sButton2Click); });
  BindButton(f.sButton2, site);
  QPushButton* info = MakeButton(panel3, "sButton3", "DIALOG", 8, 84, 25, 57);
  connect(info, &QPushButton::clicked, this, [this] { Run(&ui::TMainForm::sButton3Click); });
  BindButton(f.sButton3, info);

  QFrame* panel2 = MakePanel(this, "sPanel2", 8, 224, 265, 81);
  BindCommon(f.sPanel2, panel2);
  QPushButton* conect = MakeButton(panel2, "ButtonConect", "BUTTON_HUGE", 31, 16, 81, 57);
  conect->setCursor(Qt::PointingHandCursor);
  connect(conect, &QPushButton::clicked, this, [this] { Run(&ui::TMainForm::ButtonConectClick); });
  BindButton(f.ButtonConect, conect);
  QPushButton* openHex = MakeButton(panel2, "ButtonOpenHex", "BUTTON_HUGE", 152, 16, 81, 57);
  openHex->setCursor(Qt::PointingHandCursor);
  connect(openHex, &QPushButton::clicked, this, [this] { Run(&ui::TMainForm::ButtonOpenHexClick); });
  BindButton(f.ButtonOpenHex, openHex);

  // Never seen: they lie outside the window in both sizes.
  QPlainTextEdit* terminal = MakeMemo(this, "TextTerminal", 16, -288, 320, 465, 225);
  BindMemo(f.TextTerminal, terminal);
  QPlainTextEdit* memoAbout = MakeMemo(this, "MemoAbout", 15, 264, 368, 273, 193);
  BindMemo(f.MemoAbout, memoAbout);
  QComboBox* skinName = MakeList(this, "sComboBoxSkinName", true, 32, 760, 145, 21);
  BindEditableList(f.sComboBoxSkinName, skinName, &ui::TMainForm::sComboBoxSkinNameChange);

  // Widgets that a style sheet styles stop inheriting the window's font: give
  // each its own.
  for (QWidget* w : findChildren<QWidget*>())
    if (w != terminal && w != memoAbout && !terminal->isAncestorOf(w) && !memoAbout->isAncestorOf(w)) w->setFont(font());
  QWidget::setTabOrder(memoAbout, terminal);
  QWidget::setTabOrder(terminal, skinName);
  QWidget::setTabOrder(skinName, cbPort);
  QWidget::setTabOrder(cbPort, conect);
  QWidget::setTabOrder(conect, openHex);
  QWidget::setTabOrder(openHex, site);
  QWidget::setTabOrder(site, info);
  QWidget::setTabOrder(info, cbBaudRate);
}

void MainWindow::Map(forms::Control& control, QWidget* widget) {
  widgets_[&control] = widget;
  controls_[widget] = &control;
}

QWidget* MainWindow::WidgetFor(const forms::Control* control) const {
  auto it = widgets_.find(control);
  return it == widgets_.end() ? nullptr : it->second;
}

void MainWindow::BindCommon(forms::Control& control, QWidget* widget) {
  Map(control, widget);
  QPointer<QWidget> w = widget;
  auto sync = [w, &control] {
    if (!w) return;
    w->setEnabled(control.Enabled());
    const QString tip = WithLineBreaks(control.Hint);
    if (w->toolTip() != tip) w->setToolTip(tip);
  };
  sync();
  control.Subscribe(sync);
}

void MainWindow::BindLabel(forms::Label& label, QWidget* widget, bool autoWidth) {
  BindCommon(label, widget);
  QPointer<QLabel> w = static_cast<QLabel*>(widget);
  auto sync = [w, &label, autoWidth] {
    if (!w) return;
    const QString text = ToQt(label.Caption());
    if (w->text() == text) return;
    w->setText(text);
    // The labels whose width follows their text.
    if (autoWidth) w->resize(w->fontMetrics().horizontalAdvance(text), w->height());
  };
  sync();
  label.Subscribe(sync);
}

void MainWindow::BindButton(forms::Button& button, QWidget* widget) {
  BindCommon(button, widget);
  QPointer<QAbstractButton> w = static_cast<QAbstractButton*>(widget);
  auto sync = [w, &button] {
    if (!w) return;
    const QString text = ToQt(button.Caption);
    if (w->text() != text) w->setText(text);
  };
  sync();
  button.Subscribe(sync);
}

void MainWindow::BindList(forms::ComboBox& list, QComboBox* widget, void (ui::TMainForm::*onUserChange)()) {
  BindCommon(list, widget);
  QPointer<QComboBox> w = widget;
  auto shown = std::make_shared<std::vector<std::string>>();
  auto sync = [w, &list, shown] {
    if (!w) return;
    const QSignalBlocker block(w);
    if (*shown != list.Items()) {
      *shown = list.Items();
      w->clear();
      QStringList items;
      for (const auto& item : *shown) items << ToQt(item);
      w->addItems(items);
    }
    if (w->currentIndex() != list.ItemIndex()) w->setCurrentIndex(list.ItemIndex());
  };
  sync();
  list.Subscribe(sync);
  // Only the user's choice runs the change handler, after the model has it.
  connect(widget, &QComboBox::activated, this, [this, &list, onUserChange](int index) {
    list.SetItemIndex(index);
    Run(onUserChange);
  });
}

void MainWindow::BindEditableList(forms::ComboBox& list, QComboBox* widget, void (ui::TMainForm::*onUserChange)()) {
  BindCommon(list, widget);
  QPointer<QComboBox> w = widget;
  auto sync = [w, &list] {
    if (!w) return;
    const QSignalBlocker block(w);
    const QSignalBlocker blockEdit(w->lineEdit());
    QStringList items;
    for (const auto& item : list.Items()) items << ToQt(item);
    QStringList current;
    for (int i = 0; i < w->count(); ++i) current << w->itemText(i);
    if (current != items) {
      w->clear();
      w->addItems(items);
    }
    const QString text = ToQt(list.Text());
    if (w->currentText() != text) w->setEditText(text);
  };
  sync();
  list.Subscribe(sync);
  auto changed = [this, &list, onUserChange](const QString& text) {
    const std::string bytes = FromQt(text);
    if (bytes == list.Text()) return;
    list.SetText(bytes);
    Run(onUserChange);
  };
  connect(widget->lineEdit(), &QLineEdit::textEdited, this, changed);
  connect(widget, &QComboBox::activated, this, [widget, changed](int) { changed(widget->currentText()); });
}

namespace {

// Draws a memo model into its widget. The memos lie outside the window, so a
// change is drawn when the widget is looked at (painted, focused) or asked for,
// not at once: start-up rewrites the firmware's 4080 lines twice.
class MemoSync : public QObject {
 public:
  MemoSync(forms::Memo& memo, QPlainTextEdit* widget) : QObject(widget), memo_(memo), widget_(widget) {
    widget->installEventFilter(this);
    widget->viewport()->installEventFilter(this);
  }

  void Changed() {
    if (fromWidget_) {
      Seen();
      return;
    }
    dirty_ = true;
    if (widget_->hasFocus() || !widget_->visibleRegion().isEmpty()) Draw();
  }

  void Draw() {
    if (!dirty_) return;
    dirty_ = false;
    const auto& lines = memo_.Lines();
    const QSignalBlocker block(widget_);
    if (!drawn_ || memo_.Revision() != revision_ || lines.size() < lines_) {
      QStringList all;
      all.reserve(static_cast<qsizetype>(lines.size()));
      for (const auto& line : lines) all << ToQt(line);
      widget_->setPlainText(all.join(QChar('\n')));
    } else {
      // Same revision: lines were only added at the end.
      for (std::size_t i = lines_; i < lines.size(); ++i) widget_->appendPlainText(ToQt(lines[i]));
    }
    Seen();
  }

  // What the user types lands in the model too, unseen as it is.
  void Typed() {
    fromWidget_ = true;
    memo_.SetText(FromQt(widget_->toPlainText()));
    fromWidget_ = false;
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (dirty_) {
      if (event->type() == QEvent::FocusIn) Draw();
      // Not inside the paint itself: the next paint shows the new text.
      if (event->type() == QEvent::Paint) QTimer::singleShot(0, this, [this] { Draw(); });
    }
    return false;
  }

 private:
  void Seen() {
    drawn_ = true;
    revision_ = memo_.Revision();
    lines_ = memo_.Lines().size();
  }

  forms::Memo& memo_;
  QPlainTextEdit* widget_;
  bool dirty_ = true;
  bool drawn_ = false;
  bool fromWidget_ = false;
  std::uint64_t revision_ = 0;
  std::size_t lines_ = 0;
};

}  // namespace

void MainWindow::BindMemo(forms::Memo& memo, QPlainTextEdit* widget) {
  BindCommon(memo, widget);
  auto* sync = new MemoSync(memo, widget);
  memos_.push_back(sync);
  QPointer<MemoSync> alive = sync;
  memo.Subscribe([alive] {
    if (alive) alive->Changed();
  });
  connect(widget, &QPlainTextEdit::textChanged, sync, [sync] { sync->Typed(); });
}

void MainWindow::DrawMemos() {
  for (QObject* m : memos_)
    if (m) static_cast<MemoSync*>(m)->Draw();
}

void MainWindow::BindProgressBar(forms::ProgressBar& bar, QWidget* widget) {
  BindCommon(bar, widget);
  QPointer<QProgressBar> w = static_cast<QProgressBar*>(widget);
  auto sync = [w, &bar] {
    if (!w) return;
    if (w->minimum() != bar.Min() || w->maximum() != bar.Max()) w->setRange(bar.Min(), bar.Max());
    if (w->value() != bar.Position()) w->setValue(bar.Position());
  };
  sync();
  bar.Subscribe(sync);
}

int MainWindow::FrameHeight() const { return frameGeometry().height() - geometry().height(); }

void MainWindow::SyncWindow() {
  const QString caption = ToQt(form_.Caption());
  if (windowTitle() != caption) setWindowTitle(caption);

  // The compact height is the client's; any other height is the outer one.
  const int height = form_.Height();
  const int client = height == ui::TMainForm::kClientHeight ? height : height - FrameHeight();
  if (client > 0 && (height != appliedHeight_ || this->height() != client)) {
    appliedHeight_ = height;
    setFixedSize(ui::TMainForm::kClientWidth, client);
  }

  if (forms::Control* active = form_.ActiveControl()) {
    QWidget* w = WidgetFor(active);
    if (w && focusWidget() != w) w->setFocus(Qt::OtherFocusReason);
  }
}

void MainWindow::ApplySkin() {
  const QString sheet = SkinStyleSheet(form_.sSkinManager1.SkinName());
  if (qApp->styleSheet() == sheet) return;
  // The skin manager paints every window of the program.
  qApp->setStyleSheet(sheet);
}

void MainWindow::Centre() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->geometry();
  const QSize outer = frameGeometry().size();
  const QPoint place(area.left() + (area.width() - outer.width()) / 2, area.top() + (area.height() - outer.height()) / 2);
  if (frameGeometry().topLeft() != place) move(place);
}

void MainWindow::ShowCentred() {
  Centre();
  // At start the focus is in the first control of the order, outside the window.
  if (!form_.ActiveControl())
    if (QWidget* first = WidgetFor(&form_.MemoAbout)) first->setFocus(Qt::OtherFocusReason);
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

void MainWindow::Snap() {
  QScreen* s = screen();
  if (!s || snapping_) return;
  const QRect area = s->availableGeometry();
  const QRect frame = frameGeometry();
  int x = frame.left();
  int y = frame.top();
  if (std::abs(frame.left() - area.left()) <= kSnapDistance) x = area.left();
  else if (std::abs(frame.right() - area.right()) <= kSnapDistance) x = area.right() - frame.width() + 1;
  if (std::abs(frame.top() - area.top()) <= kSnapDistance) y = area.top();
  else if (std::abs(frame.bottom() - area.bottom()) <= kSnapDistance) y = area.bottom() - frame.height() + 1;
  if (x == frame.left() && y == frame.top()) return;
  snapping_ = true;
  move(x, y);
  snapping_ = false;
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (isVisible()) Snap();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (isVisible()) Post(&ui::TMainForm::FormResize);
}

void MainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) Post(&ui::TMainForm::FormActivate);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closeAllowed_ || (shell_.HandlerDepth() == 0 && !form_.LongOperationRunning())) {
    event->accept();
    if (quitApplication) quitApplication();
    return;
  }
  // A handler is pumping below us: closing now would pull the window from under
  // it. Let it unwind first, then close.
  event->ignore();
  if (!shell_.Closing())
    shell_.RequestClosing([self = QPointer<MainWindow>(this)] {
      if (!self) return;
      self->closeAllowed_ = true;
      self->close();
    });
}

void MainWindow::Run(void (ui::TMainForm::*handler)()) {
  ui::TMainForm& form = form_;
  shell_.Deliver([&form, handler] { (form.*handler)(); });
}

void MainWindow::Post(void (ui::TMainForm::*handler)()) {
  QTimer::singleShot(0, this, [this, handler] { Run(handler); });
}

}  // namespace uiqt
