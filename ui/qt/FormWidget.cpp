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
#include "ui/Shown.h"
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
      : QObject(widget), drawing_(memo), widget_(widget) {
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
    const QSignalBlocker block(widget_);
    const QString text = ToQt(drawing_.Text(*update, "\n"));
    if (update->whole) widget_->setPlainText(text);
    else widget_->appendPlainText(text);
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

namespace {

// Gives a widget what changed in its model.
void Show(QWidget& w, const layout::ControlLayout& c, const ui::ShownChanges& shown) {
  if (shown.enabled) w.setEnabled(*shown.enabled);
  if (shown.hint) w.setToolTip(WithLineBreaks(*shown.hint));
  if (auto* list = qobject_cast<QComboBox*>(&w)) {
    const QSignalBlocker block(list);
    const QSignalBlocker blockEdit(list->lineEdit());
    if (shown.items) {
      QStringList items;
      for (const auto& item : *shown.items) items << ToQt(item);
      list->clear();
      list->addItems(items);
    }
    if (shown.itemIndex) list->setCurrentIndex(*shown.itemIndex);
    if (shown.text) list->setEditText(ToQt(*shown.text));
  } else if (auto* label = qobject_cast<QLabel*>(&w); label && shown.text) {
    label->setText(ToQt(*shown.text));
    // The labels whose width follows their text.
    if (c.widthFollowsText) label->resize(label->fontMetrics().horizontalAdvance(label->text()), label->height());
  } else if (auto* button = qobject_cast<QAbstractButton*>(&w); button && shown.text) {
    button->setText(ToQt(*shown.text));
  } else if (auto* bar = qobject_cast<QProgressBar*>(&w)) {
    // QProgressBar paints at once on each step; below the compact window
    // nobody sees it, and its updates come back on when it can be seen.
    if (!InsideParent(bar) && bar->updatesEnabled()) bar->setUpdatesEnabled(false);
    if (shown.range) bar->setRange(shown.range->first, shown.range->second);
    if (shown.position) bar->setValue(*shown.position);
  }
}

}  // namespace

void FormWidget::Bind(forms::Control& model, QWidget* widget, const layout::ControlLayout& c) {
  widgets_[&model] = widget;
  controls_[widget] = &model;
  auto shown = std::make_shared<ui::Shown>();
  auto sync = [w = QPointer<QWidget>(widget), &model, &c, shown] {
    if (w) Show(*w, c, shown->Take(model));
  };
  sync();
  model.Subscribe(sync);
  if (auto* memo = dynamic_cast<forms::Memo*>(&model)) BindMemo(*memo, static_cast<QPlainTextEdit*>(widget));
  auto* list = dynamic_cast<forms::ComboBox*>(&model);
  auto* box = qobject_cast<QComboBox*>(widget);
  if (!list || !box) return;
  const std::string_view name = c.name;
  // Only the user's choice or typing runs the change handler, after the model has it.
  if (!list->Editable()) {
    connect(box, &QComboBox::activated, this, [this, list, shown, name](int index) {
      shown->Chose(*list, index);
      RunEvent(name);
    });
    return;
  }
  auto edited = [this, list, shown, name](const QString& text) {
    if (shown->Edited(*list, FromQt(text))) RunEvent(name);
  };
  connect(box->lineEdit(), &QLineEdit::textEdited, this, edited);
  connect(box, &QComboBox::activated, this, [box, edited](int) { edited(box->currentText()); });
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

void FormWidget::BindMemo(forms::Memo& memo, QPlainTextEdit* widget) {
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
