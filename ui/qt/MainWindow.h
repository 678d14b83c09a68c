#pragma once
// The main window drawn from TMainForm's models: each control model is bound to
// its widget, and the widgets' events call the form's handlers through the
// Shell's edge.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ui/Main.h"
#include "ui/qt/QtShell.h"

class QComboBox;
class QPlainTextEdit;

namespace uiqt {

class GaugeWidget;

class MainWindow : public QWidget {
 public:
  MainWindow(ui::TMainForm& form, QtShell& shell);
  ~MainWindow() override;

  // Shows the window centred on its screen (the first show).
  void ShowCentred();
  // The widget that draws a control model (nullptr for models without one).
  QWidget* WidgetFor(const forms::Control* control) const;
  GaugeWidget* Gauge() const { return gauge_; }
  // What a close that is allowed to happen does last; tests replace it.
  std::function<void()> quitApplication;
  // Brings the hidden memos' widgets up to date with their models now (they
  // are otherwise drawn when painted or focused).
  void DrawMemos();
  // Pixels the window system's frame adds to the height (0 without one).
  int FrameHeight() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Build();
  void Bind(forms::Control& model, QWidget* widget, const ui::layout::ControlLayout& c, void (ui::TMainForm::*handler)());
  // The widget of the control of that name (nullptr before it is made).
  QWidget* WidgetNamed(std::string_view name) const;
  void Map(forms::Control& control, QWidget* widget);
  void BindCommon(forms::Control& control, QWidget* widget);
  void BindLabel(forms::Label& label, QWidget* widget, bool autoWidth);
  void BindButton(forms::Button& button, QWidget* widget);
  void BindList(forms::ComboBox& list, QComboBox* widget, void (ui::TMainForm::*onUserChange)());
  void BindEditableList(forms::ComboBox& list, QComboBox* widget, void (ui::TMainForm::*onUserChange)());
  void BindMemo(forms::Memo& memo, QPlainTextEdit* widget);
  void BindProgressBar(forms::ProgressBar& bar, QWidget* widget);
  void SyncWindow();
  void ApplySkin();
  void Snap();
  void Centre();
  // Runs one of the form's handlers at the edge.
  void Run(void (ui::TMainForm::*handler)());
  void Post(void (ui::TMainForm::*handler)());

  ui::TMainForm& form_;
  QtShell& shell_;
  GaugeWidget* gauge_ = nullptr;
  std::unordered_map<const forms::Control*, QWidget*> widgets_;
  std::unordered_map<const QWidget*, forms::Control*> controls_;
  int appliedHeight_ = -1;
  bool snapping_ = false;
  bool closeAllowed_ = false;
  QMetaObject::Connection focusConnection_;
  std::vector<QPointer<QObject>> memos_;
};

}  // namespace uiqt
