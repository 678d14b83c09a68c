#include "ui/qt/FormWidget.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <memory>
#include <string>

#include "forms/Gauge.h"
#include "ui/MemoDrawing.h"
#include "ui/qt/Application.h"
#include "ui/qt/FromLayout.h"
#include "ui/qt/KeyMap.h"
#include "ui/qt/Text.h"
#include "ui/qt/Widgets.h"

namespace uiqt {

namespace {

namespace layout = ui::layout;

QToolButton* MakePictureButton(QWidget* parent, const layout::ControlLayout& c) {
  auto* button = new QToolButton(parent);
  // The skin's rule for picture buttons: no frame until hovered.
  button->setProperty("skinSection", "PICTURE");
  button->setIconSize(QSize(c.pictureWidth, c.pictureHeight));
  button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  button->setAutoRaise(true);
  return button;
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

// Draws a memo model into its widget when the drawing rule says so.
class MemoSync : public QObject {
 public:
  MemoSync(forms::Memo& memo, QPlainTextEdit* widget)
      : QObject(widget), memo_(memo), drawing_(memo), widget_(widget) {
    widget->installEventFilter(this);
    widget->viewport()->installEventFilter(this);
  }

  void Changed() {
    const bool inSight = InsideParent(widget_) && !widget_->visibleRegion().isEmpty();
    if (drawing_.Changed(!inSight && widget_->hasFocus()))
      QTimer::singleShot(ui::MemoDrawing::kFocusedDrawDelayMs, this, [this] {
        drawing_.DrawnSoon();
        Draw();
      });
    // The transfer adds two lines per attempt: no region computed for each.
    if (inSight) Draw();
  }

  void Draw() {
    const auto update = drawing_.Take();
    if (!update) return;
    const auto& lines = memo_.Lines();
    const QSignalBlocker block(widget_);
    QStringList text;
    text.reserve(static_cast<qsizetype>(lines.size() - update->first));
    for (std::size_t i = update->first; i < lines.size(); ++i) text << ToQt(lines[i]);
    if (update->whole) widget_->setPlainText(text.join(QChar('\n')));
    else widget_->appendPlainText(text.join(QChar('\n')));
  }

  void Typed() { drawing_.Typed(FromQt(widget_->toPlainText())); }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (drawing_.Dirty()) {
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
  forms::Memo& memo_;
  ui::MemoDrawing drawing_;
  QPlainTextEdit* widget_;
};

}  // namespace

FormWidget::FormWidget(ui::Form& form, QtShell& shell)
    : QWidget(nullptr, WindowFlagsOf(form.Layout())), form_(form), shell_(shell) {
  setObjectName(QString::fromLatin1(form_.Layout().name));
  form_.Subscribe([self = QPointer<FormWidget>(this)] {
    if (self) self->SyncWindow();
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
    shell_.Deliver([this, key, shift] { form_.KeyDown(key, shift); });
  });
}

FormWidget::~FormWidget() {
  disconnect(focusConnection_);
  Application::SetKeyPreview(this, nullptr);
}

void FormWidget::Build() {
  const layout::WindowLayout& table = form_.Layout();
  ApplyWindowLayout(this, table);
  // Parents come before their children in the table.
  std::vector<QWidget*> ownFont;
  for (const layout::ControlLayout& c : table.controls) {
    QWidget* parent = std::string_view(c.parent) == table.name ? this : WidgetNamed(c.parent);
    forms::Control& model = *form_.ControlNamed(c.name);
    QWidget* widget = Make(c, parent, model);
    ApplyLayout(widget, c);
    if (HasOwnFont(c)) {
      widget->setFont(FontOf(c.font, table.font));
      ownFont.push_back(widget);
    }
    if (form_.HasEvent(c.name))
      if (auto* button = qobject_cast<QAbstractButton*>(widget))
        connect(button, &QAbstractButton::clicked, this, [this, name = c.name] { RunEvent(name); });
    Bind(model, widget, c);
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

QWidget* FormWidget::Make(const layout::ControlLayout& c, QWidget* parent, forms::Control& model) {
  const bool event = form_.HasEvent(c.name);
  switch (c.kind) {
    case layout::Kind::Panel: {
      auto* panel = new QFrame(parent);
      panel->setFrameShape(QFrame::NoFrame);
      return panel;
    }
    case layout::Kind::Label:
    case layout::Kind::WebLabel: {
      if (!event && c.kind == layout::Kind::Label) return new QLabel(parent);
      auto* label = c.kind == layout::Kind::WebLabel ? new WebLabel(ColorOf(c.text), ColorOf(c.hoverText), parent)
                                                     : new ClickLabel(parent);
      if (event) label->onClick = [this, name = c.name] { RunEvent(name); };
      return label;
    }
    case layout::Kind::DropDownList:
    case layout::Kind::EditableComboBox: {
      auto* list = new ListBox(form_.Layout().listRowHeight, parent);
      list->setEditable(c.kind == layout::Kind::EditableComboBox);
      list->setInsertPolicy(QComboBox::NoInsert);
      return list;
    }
    case layout::Kind::PictureButton: return MakePictureButton(parent, c);
    case layout::Kind::PushButton: {
      auto* button = new QPushButton(parent);
      // A focused button takes Enter as well as Space; a dialog's button is its default.
      button->setAutoDefault(true);
      button->setDefault(form_.Layout().frame == layout::Frame::DialogFixed);
      return button;
    }
    case layout::Kind::PercentageGauge:
      return gauge_ = new GaugeWidget(dynamic_cast<forms::TGauge&>(model), c.bar, parent);
    case layout::Kind::ThinProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setTextVisible(false);
      return bar;
    }
    case layout::Kind::Memo: return MakeMemo(parent);
    case layout::Kind::Picture: {
      auto* picture = new QLabel(parent);
      picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);  // not stretched: from its top-left corner
      return picture;
    }
  }
  return new QWidget(parent);
}

void FormWidget::LoadPictures() {
  for (const layout::ControlLayout& c : form_.Layout().controls) {
    if (c.kind == layout::Kind::PictureButton)
      static_cast<QToolButton*>(WidgetNamed(c.name))->setIcon(QIcon(PictureResource(c.picture)));
    if (c.kind == layout::Kind::Picture)
      static_cast<QLabel*>(WidgetNamed(c.name))->setPixmap(QPixmap(PictureResource(c.picture)));
  }
}

void FormWidget::Bind(forms::Control& model, QWidget* widget, const layout::ControlLayout& c) {
  if (auto* memo = dynamic_cast<forms::Memo*>(&model)) return BindMemo(*memo, static_cast<QPlainTextEdit*>(widget));
  if (auto* list = dynamic_cast<forms::ComboBox*>(&model)) {
    if (c.kind == layout::Kind::EditableComboBox) return BindEditableList(*list, static_cast<QComboBox*>(widget), c.name);
    return BindList(*list, static_cast<QComboBox*>(widget), c.name);
  }
  if (auto* label = dynamic_cast<forms::Label*>(&model)) return BindLabel(*label, widget, c.widthFollowsText);
  if (auto* button = dynamic_cast<forms::Button*>(&model)) return BindButton(*button, widget);
  if (auto* bar = dynamic_cast<forms::ProgressBar*>(&model)) return BindProgressBar(*bar, widget);
  BindCommon(model, widget);
}

QWidget* FormWidget::WidgetNamed(std::string_view name) const {
  for (const auto& [widget, control] : controls_)
    if (control->Name() == name) return const_cast<QWidget*>(widget);
  return nullptr;
}

QWidget* FormWidget::WidgetFor(const forms::Control* control) const {
  auto it = widgets_.find(control);
  return it == widgets_.end() ? nullptr : it->second;
}

namespace {

// Keeps a widget showing its model: `apply` runs now and on every change of
// the model, while the widget lives.
template <class W, class Apply>
void Follow(forms::Control& model, W* widget, Apply apply) {
  auto sync = [w = QPointer<W>(widget), apply] {
    if (w) apply(*w);
  };
  sync();
  model.Subscribe(sync);
}

QStringList ItemsOf(const forms::ComboBox& list) {
  QStringList items;
  for (const auto& item : list.Items()) items << ToQt(item);
  return items;
}

}  // namespace

void FormWidget::BindCommon(forms::Control& control, QWidget* widget) {
  widgets_[&control] = widget;
  controls_[widget] = &control;
  Follow(control, widget, [&control](QWidget& w) {
    w.setEnabled(control.Enabled());
    const QString tip = WithLineBreaks(control.Hint);
    if (w.toolTip() != tip) w.setToolTip(tip);
  });
}

void FormWidget::BindLabel(forms::Label& label, QWidget* widget, bool autoWidth) {
  BindCommon(label, widget);
  Follow(label, static_cast<QLabel*>(widget), [&label, autoWidth](QLabel& w) {
    const QString text = ToQt(label.Caption());
    if (w.text() == text) return;
    w.setText(text);
    // The labels whose width follows their text.
    if (autoWidth) w.resize(w.fontMetrics().horizontalAdvance(text), w.height());
  });
}

void FormWidget::BindButton(forms::Button& button, QWidget* widget) {
  BindCommon(button, widget);
  Follow(button, static_cast<QAbstractButton*>(widget), [&button](QAbstractButton& w) {
    const QString text = ToQt(button.Caption);
    if (w.text() != text) w.setText(text);
  });
}

void FormWidget::BindList(forms::ComboBox& list, QComboBox* widget, std::string_view name) {
  BindCommon(list, widget);
  Follow(list, widget, [&list, shown = std::make_shared<std::vector<std::string>>()](QComboBox& w) {
    const QSignalBlocker block(w);
    if (*shown != list.Items()) {
      *shown = list.Items();
      w.clear();
      w.addItems(ItemsOf(list));
    }
    if (w.currentIndex() != list.ItemIndex()) w.setCurrentIndex(list.ItemIndex());
  });
  // Only the user's choice runs the change handler, after the model has it.
  connect(widget, &QComboBox::activated, this, [this, &list, name](int index) {
    list.SetItemIndex(index);
    RunEvent(name);
  });
}

void FormWidget::BindEditableList(forms::ComboBox& list, QComboBox* widget, std::string_view name) {
  BindCommon(list, widget);
  Follow(list, widget, [&list](QComboBox& w) {
    const QSignalBlocker block(w);
    const QSignalBlocker blockEdit(w.lineEdit());
    const QStringList items = ItemsOf(list);
    QStringList current;
    for (int i = 0; i < w.count(); ++i) current << w.itemText(i);
    if (current != items) {
      w.clear();
      w.addItems(items);
    }
    const QString text = ToQt(list.Text());
    if (w.currentText() != text) w.setEditText(text);
  });
  auto changed = [this, &list, name](const QString& text) {
    const std::string bytes = FromQt(text);
    if (bytes == list.Text()) return;
    list.SetText(bytes);
    RunEvent(name);
  };
  connect(widget->lineEdit(), &QLineEdit::textEdited, this, changed);
  connect(widget, &QComboBox::activated, this, [widget, changed](int) { changed(widget->currentText()); });
}

void FormWidget::BindMemo(forms::Memo& memo, QPlainTextEdit* widget) {
  BindCommon(memo, widget);
  auto* sync = new MemoSync(memo, widget);
  memos_.push_back(sync);
  QPointer<MemoSync> alive = sync;
  memo.Subscribe([alive] {
    if (alive) alive->Changed();
  });
  connect(widget, &QPlainTextEdit::textChanged, sync, [sync] { sync->Typed(); });
}

void FormWidget::DrawMemos() {
  for (QObject* m : memos_)
    if (m) static_cast<MemoSync*>(m)->Draw();
}

void FormWidget::BindProgressBar(forms::ProgressBar& bar, QWidget* widget) {
  BindCommon(bar, widget);
  Follow(bar, static_cast<QProgressBar*>(widget), [&bar](QProgressBar& w) {
    // QProgressBar paints at once on each step; below the compact window
    // nobody sees it, and its updates come back on when it can be seen.
    if (!InsideParent(&w) && w.updatesEnabled()) w.setUpdatesEnabled(false);
    if (w.minimum() != bar.Min() || w.maximum() != bar.Max()) w.setRange(bar.Min(), bar.Max());
    if (w.value() != bar.Position()) w.setValue(bar.Position());
  });
}

void FormWidget::SyncWindow() {
  const QString caption = ToQt(form_.Caption());
  if (windowTitle() != caption) setWindowTitle(caption);
  if (forms::Control* active = form_.ActiveControl()) {
    QWidget* w = WidgetFor(active);
    if (w && focusWidget() != w) w->setFocus(Qt::OtherFocusReason);
  }
}

void FormWidget::RunEvent(std::string_view control) {
  ui::Form& form = form_;
  const std::string name(control);
  shell_.Deliver([&form, name] { form.RunEvent(name); });
}

}  // namespace uiqt
