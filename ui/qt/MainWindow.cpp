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
#include <string_view>
#include <utility>

#include "ui/qt/Application.h"
#include "ui/qt/FromLayout.h"
#include "ui/qt/KeyMap.h"
#include "ui/qt/Skins.h"
#include "ui/qt/Text.h"
#include "ui/qt/Widgets.h"

namespace uiqt {

namespace {

namespace layout = ui::layout;
using Handler = ui::TMainForm::Handler;

QToolButton* MakePictureButton(QWidget* parent, const layout::ControlLayout& c) {
  auto* button = new QToolButton(parent);
  // The skin's rule for picture buttons: no frame until hovered.
  button->setProperty("skinSection", "PICTURE");
  button->setIconSize(QSize(c.pictureWidth, c.pictureHeight));
  button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  button->setAutoRaise(true);
  return button;
}

QPushButton* MakeButton(QWidget* parent) {
  auto* button = new QPushButton(parent);
  // A focused button takes Enter as well as Space.
  button->setAutoDefault(true);
  return button;
}

QComboBox* MakeList(QWidget* parent, const layout::ControlLayout& c, int rowHeight) {
  auto* list = new ListBox(rowHeight, parent);
  list->setEditable(c.kind == layout::Kind::EditableComboBox);
  list->setInsertPolicy(QComboBox::NoInsert);
  return list;
}

QPlainTextEdit* MakeMemo(QWidget* parent) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setTabChangesFocus(true);  // Tab moves on, as in every other control
  return memo;
}

// Whether any of the widget lies inside its parent's area, the part of the
// window it can be seen in (the expanded controls lie below the compact
// window). A rectangle test: visibleRegion() is a region computation per call.
bool InsideParent(const QWidget* widget) {
  const QWidget* parent = widget->parentWidget();
  return !parent || parent->rect().intersects(widget->geometry());
}

bool HasOwnFont(const layout::ControlLayout& c) { return c.font.family || c.font.pixelHeight > 0; }

}  // namespace

MainWindow::MainWindow(ui::TMainForm& form, QtShell& shell)
    : QWidget(nullptr, WindowFlagsOf(layout::kMainForm)), form_(form), shell_(shell) {
  quitApplication = [] { QCoreApplication::quit(); };
  setObjectName(QString::fromLatin1(layout::kMainForm.name));
  // The skin first: widgets created under their style sheet are polished once.
  ApplySkin();
  ApplyWindowLayout(this, layout::kMainForm);

  Build();
  // Pictures last: the first one read waits for Qt's picture readers, which
  // are being looked up on the start-up thread meanwhile (EarlyStart).
  QIcon icon;
  icon.addFile(QStringLiteral(":/images/icon32.png"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/images/icon16.png"), QSize(16, 16));
  setWindowIcon(icon);
  for (const layout::ControlLayout& c : layout::kMainForm.controls)
    if (c.kind == layout::Kind::PictureButton)
      static_cast<QToolButton*>(WidgetNamed(c.name))->setIcon(QIcon(PictureResource(c.picture)));

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
    const forms::TShiftState shift = ShiftState(event);
    shell_.Deliver([this, key, shift] { form_.FormKeyDown(key, shift); });
  });
  SyncWindow();
}

MainWindow::~MainWindow() {
  disconnect(focusConnection_);
  Application::SetKeyPreview(this, nullptr);
}

void MainWindow::Build() {
  const layout::WindowLayout& table = layout::kMainForm;
  std::unordered_map<std::string_view, forms::Control*> models;
  for (forms::Control* model : form_.Controls()) models[model->Name()] = model;

  // Parents come before their children in the table.
  std::vector<QWidget*> ownFont;
  for (const layout::ControlLayout& c : table.controls) {
    QWidget* parent = std::string_view(c.parent) == table.name ? this : WidgetNamed(c.parent);
    forms::Control& model = *models.at(c.name);
    const Handler handler = ui::TMainForm::EventHandlerOf(c.name);
    QWidget* widget = nullptr;
    switch (c.kind) {
      case layout::Kind::Panel: {
        auto* panel = new QFrame(parent);
        panel->setFrameShape(QFrame::NoFrame);
        widget = panel;
        break;
      }
      case layout::Kind::Label:
      case layout::Kind::WebLabel: {
        if (!handler && c.kind == layout::Kind::Label) {
          widget = new QLabel(parent);
          break;
        }
        auto* label = c.kind == layout::Kind::WebLabel ? new WebLabel(ColorOf(c.text), ColorOf(c.hoverText), parent)
                                                       : new ClickLabel(parent);
        if (handler) label->onClick = [this, handler] { Run(handler); };
        widget = label;
        break;
      }
      case layout::Kind::DropDownList:
      case layout::Kind::EditableComboBox: widget = MakeList(parent, c, table.listRowHeight); break;
      case layout::Kind::PictureButton: widget = MakePictureButton(parent, c); break;
      case layout::Kind::PushButton: widget = MakeButton(parent); break;
      case layout::Kind::PercentageGauge:
        widget = gauge_ = new GaugeWidget(dynamic_cast<forms::TGauge&>(model), ColorOf(c.bar), parent);
        break;
      case layout::Kind::ThinProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        widget = bar;
        break;
      }
      case layout::Kind::Memo: widget = MakeMemo(parent); break;
      case layout::Kind::Picture: widget = new QLabel(parent); break;
    }
    ApplyLayout(widget, c);
    if (HasOwnFont(c)) {
      widget->setFont(FontOf(c.font, table.font));
      ownFont.push_back(widget);
    }
    if (handler)
      if (auto* button = qobject_cast<QAbstractButton*>(widget))
        connect(button, &QAbstractButton::clicked, this, [this, handler] { Run(handler); });
    Bind(model, widget, c, handler);
  }

  // Widgets that a style sheet styles stop inheriting the window's font: give
  // each its own.
  for (QWidget* w : findChildren<QWidget*>()) {
    bool own = false;
    for (QWidget* o : ownFont) own = own || w == o || o->isAncestorOf(w);
    if (!own) w->setFont(font());
  }
  const std::vector<const layout::ControlLayout*> order = layout::FocusOrder(table);
  for (std::size_t i = 1; i < order.size(); ++i)
    QWidget::setTabOrder(WidgetNamed(order[i - 1]->name), WidgetNamed(order[i]->name));
}

void MainWindow::Bind(forms::Control& model, QWidget* widget, const layout::ControlLayout& c, Handler handler) {
  if (auto* memo = dynamic_cast<forms::Memo*>(&model)) return BindMemo(*memo, static_cast<QPlainTextEdit*>(widget));
  if (auto* list = dynamic_cast<forms::ComboBox*>(&model)) {
    if (c.kind == layout::Kind::EditableComboBox) return BindEditableList(*list, static_cast<QComboBox*>(widget), handler);
    return BindList(*list, static_cast<QComboBox*>(widget), handler);
  }
  if (auto* label = dynamic_cast<forms::Label*>(&model)) return BindLabel(*label, widget, c.widthFollowsText);
  if (auto* button = dynamic_cast<forms::Button*>(&model)) return BindButton(*button, widget);
  if (auto* bar = dynamic_cast<forms::ProgressBar*>(&model)) return BindProgressBar(*bar, widget);
  BindCommon(model, widget);
}

QWidget* MainWindow::WidgetNamed(std::string_view name) const {
  for (const auto& [widget, control] : controls_)
    if (control->Name() == name) return const_cast<QWidget*>(widget);
  return nullptr;
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
    // The transfer adds two lines per attempt: no region computed for each.
    if (InsideParent(widget_) && !widget_->visibleRegion().isEmpty()) {
      Draw();
    } else if (widget_->hasFocus() && !drawSoon_) {
      // Focused but out of sight: drawn soon, in one go for all the lines
      // added meanwhile, and at once before a key would type into it.
      drawSoon_ = true;
      QTimer::singleShot(kFocusedDrawDelayMs, this, [this] {
        drawSoon_ = false;
        Draw();
      });
    }
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
    } else if (lines.size() > lines_) {
      // Same revision: lines were only added at the end.
      QStringList added;
      for (std::size_t i = lines_; i < lines.size(); ++i) added << ToQt(lines[i]);
      widget_->appendPlainText(added.join(QChar('\n')));
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
      switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
        case QEvent::InputMethod:
        case QEvent::ContextMenu:
          Draw();
          break;
        default:
          break;
      }
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

  static constexpr int kFocusedDrawDelayMs = 250;
  forms::Memo& memo_;
  QPlainTextEdit* widget_;
  bool dirty_ = true;
  bool drawSoon_ = false;
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
    // QProgressBar paints at once on each step; below the compact window
    // nobody sees it, and its updates come back on when it can be seen.
    if (!InsideParent(w) && w->updatesEnabled()) w->setUpdatesEnabled(false);
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
    if (const auto order = layout::FocusOrder(layout::kMainForm); !order.empty())
      if (QWidget* first = WidgetNamed(order.front()->name)) first->setFocus(Qt::OtherFocusReason);
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
  if (std::abs(frame.left() - area.left()) <= layout::kMainForm.snapDistance) x = area.left();
  else if (std::abs(frame.right() - area.right()) <= layout::kMainForm.snapDistance) x = area.right() - frame.width() + 1;
  if (std::abs(frame.top() - area.top()) <= layout::kMainForm.snapDistance) y = area.top();
  else if (std::abs(frame.bottom() - area.bottom()) <= layout::kMainForm.snapDistance) y = area.bottom() - frame.height() + 1;
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
  // Widgets that were kept from painting below the compact window paint again
  // once the window shows them.
  for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!w->updatesEnabled() && InsideParent(w)) w->setUpdatesEnabled(true);
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
