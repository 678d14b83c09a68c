#pragma once
// The few widget kinds the windows need beyond Qt's own.
#include <QColor>
#include <QFont>
#include <QComboBox>
#include <QLabel>
#include <QStyledItemDelegate>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "ui/Palette.h"

namespace forms {
class TGauge;
}

namespace uiqt {

// The windows' font at a pixel size. Where the desktop lacks the family (the
// layout's "MS Sans Serif") a face of its widths is taken, so the captions fit
// the layout's sizes.
QFont WindowFont(const char* family, int pixelSize);

// A label that reports a click with the left button.
class ClickLabel : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> onClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// A link-like label: its own text colour, another while hovered.
class WebLabel : public ClickLabel {
 public:
  WebLabel(QColor color, QColor hoverColor, QWidget* parent);
  bool Hovered() const { return hovered_; }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void Recolor();
  QColor color_;
  QColor hoverColor_;
  bool hovered_ = false;
};

// The percentage gauge, as ui::DrawGauge says. It repaints only when its model
// says the shown percentage changed.
class GaugeWidget : public QWidget {
 public:
  GaugeWidget(forms::TGauge& model, ui::layout::Color bar, QWidget* parent);
  void SetPalette(const ui::Palette& palette);
  // Repaints requested by the model, and paints done (for the tests).
  std::uint64_t RepaintRequests() const { return requests_; }
  std::uint64_t Paints() const { return paints_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  forms::TGauge& model_;
  ui::layout::Color bar_;
  ui::Palette palette_ = ui::PaletteFor("WEB2");
  std::uint64_t requests_ = 0;
  std::uint64_t paints_ = 0;
};

// Drop-down rows of a fixed height.
class RowHeightDelegate : public QStyledItemDelegate {
 public:
  RowHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  int height_;
};

// A drop-down list with rows of a fixed height. Its list view is made when it
// first opens, not with the window: a view per list is a good part of the
// window's creation, and the lists a user never opens need none.
class ListBox : public QComboBox {
 public:
  ListBox(int rowHeight, QWidget* parent) : QComboBox(parent), rowHeight_(rowHeight) {}
  void showPopup() override;

 private:
  int rowHeight_;
  bool viewMade_ = false;
};

}  // namespace uiqt
