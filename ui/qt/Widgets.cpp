#include "ui/qt/Widgets.h"

#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include "forms/Gauge.h"
#include "ui/qt/FromLayout.h"
#include "ui/qt/Text.h"

namespace uiqt {

QFont WindowFont(const char* family, int pixelSize) {
  QFont f;
  f.setFamilies({QString::fromLatin1(family), QStringLiteral("Nimbus Sans"), QStringLiteral("Liberation Sans"),
                 QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
  f.setPixelSize(pixelSize);
  f.setWeight(QFont::Normal);
  return f;
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick) onClick();
}

WebLabel::WebLabel(QColor color, QColor hoverColor, QWidget* parent)
    : ClickLabel(parent), color_(color), hoverColor_(hoverColor) {
  Recolor();
}

void WebLabel::enterEvent(QEnterEvent* event) {
  hovered_ = true;
  Recolor();
  ClickLabel::enterEvent(event);
}

void WebLabel::leaveEvent(QEvent* event) {
  hovered_ = false;
  Recolor();
  ClickLabel::leaveEvent(event);
}

void WebLabel::Recolor() {
  QPalette pal = palette();
  const QColor text = hovered_ ? hoverColor_ : color_;
  pal.setColor(QPalette::WindowText, text);
  setPalette(pal);
}

GaugeWidget::GaugeWidget(forms::TGauge& model, ui::layout::Color bar, QWidget* parent)
    : QWidget(parent), model_(model), bar_(bar) {
  setFocusPolicy(Qt::NoFocus);
  QPointer<GaugeWidget> self = this;
  model_.Subscribe([self] {
    if (!self) return;
    ++self->requests_;
    self->update();
  });
}

void GaugeWidget::SetPalette(const ui::Palette& palette) {
  palette_ = palette;
  update();
}

void GaugeWidget::paintEvent(QPaintEvent*) {
  ++paints_;
  QPainter p(this);
  const QRect inner = rect().adjusted(1, 1, -1, -1);
  const ui::GaugeDrawing d = ui::DrawGauge(model_, inner.width(), bar_, palette_);
  p.fillRect(inner, ColorOf(d.fill));
  p.setPen(ColorOf(d.frame));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  const QRect bar(inner.left(), inner.top(), d.barWidth, inner.height());
  p.fillRect(bar, ColorOf(d.bar));

  const QString text = ToQt(model_.Text());
  p.setFont(font());
  p.setPen(ColorOf(d.textOnEmpty));
  p.setClipRect(inner.adjusted(d.barWidth, 0, 0, 0));
  p.drawText(inner, Qt::AlignCenter, text);
  if (d.barWidth > 0) {
    p.setClipRect(bar);
    p.setPen(ColorOf(d.textOnBar));
    p.drawText(inner, Qt::AlignCenter, text);
  }
}

QSize RowHeightDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QSize s = QStyledItemDelegate::sizeHint(option, index);
  s.setHeight(height_);
  return s;
}

void ListBox::showPopup() {
  if (!viewMade_) {
    viewMade_ = true;
    setView(new QListView(this));
  }
  // A style change gives the list the style's own delegate back.
  if (!dynamic_cast<RowHeightDelegate*>(itemDelegate())) setItemDelegate(new RowHeightDelegate(rowHeight_, this));
  QComboBox::showPopup();
}

}  // namespace uiqt
