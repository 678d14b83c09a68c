#pragma once
// A window of the layout table drawn from its form: a widget per row, each
// bound to the model of the same name; the widgets' events run the form's
// handlers through the Shell's edge, and the form's FormKeyDown sees every key
// first. The main window and the About window are two of it.
#include <QPointer>
#include <QWidget>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ui/Form.h"
#include "ui/qt/QtShell.h"

class QPlainTextEdit;

namespace uiqt {

class GaugeWidget;

class FormWidget : public QWidget {
 public:
  FormWidget(ui::Form& form, QtShell& shell);
  ~FormWidget() override;

  // The widget that draws a control model (nullptr for models without one).
  QWidget* WidgetFor(const forms::Control* control) const;
  // The widget of the control of that name (nullptr before it is made).
  QWidget* WidgetNamed(std::string_view name) const;
  GaugeWidget* Gauge() const { return gauge_; }
  // Brings the memos' widgets up to date with their models now (they are
  // otherwise drawn when looked at).
  void DrawMemos();

 protected:
  // Makes the widgets: after the look they are polished under is in place.
  void Build();
  // The pictures, last: the first one read waits for Qt's picture readers.
  void LoadPictures();
  // The window's caption and focus as its model holds them.
  virtual void SyncWindow();
  // Runs the handler of a control's event at the edge.
  void RunEvent(std::string_view control);

  ui::Form& form_;
  QtShell& shell_;

 private:
  QWidget* Make(const ui::layout::ControlLayout& c, QWidget* parent, forms::Control& model);
  void Bind(forms::Control& model, QWidget* widget, const ui::layout::ControlLayout& c);
  void BindMemo(forms::Memo& memo, QPlainTextEdit* widget);

  GaugeWidget* gauge_ = nullptr;
  std::unordered_map<const forms::Control*, QWidget*> widgets_;
  std::unordered_map<const QWidget*, forms::Control*> controls_;
  QMetaObject::Connection focusConnection_;
  std::vector<QPointer<QObject>> memos_;
};

}  // namespace uiqt
