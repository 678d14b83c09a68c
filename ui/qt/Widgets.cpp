#include "ui/qt/Widgets.h"

#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include "forms/Gauge.h"
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

GaugeWidget::GaugeWidget(forms::TGauge& model, QColor barColor, QWidget* parent)
    : QWidget(parent), model_(model), barColor_(barColor) {
  setFocusPolicy(Qt::NoFocus);
  QPointer<GaugeWidget> self = this;
  model_.Subscribe([self] {
    if (!self) return;
    ++self->requests_;
    self->update();
  });
}

void GaugeWidget::paintEvent(QPaintEvent*) {
  ++paints_;
  QPainter p(this);
  const QRect frame = rect().adjusted(0, 0, -1, -1);
  const QRect inner = rect().adjusted(1, 1, -1, -1);
  p.fillRect(inner, QColor(250, 251, 253));
  p.setPen(QColor(154, 167, 182));
  p.drawRect(frame);

  const std::int64_t range = model_.MaxValue() - model_.MinValue();
  int fill = 0;
  if (range > 0)
    fill = static_cast<int>(static_cast<double>(model_.Progress() - model_.MinValue()) / static_cast<double>(range) *
                            inner.width());
  const QRect bar(inner.left(), inner.top(), fill, inner.height());
  p.fillRect(bar, barColor_);

  // The text reads black on the empty part and white over the bar.
  const QString text = ToQt(model_.Text());
  p.setFont(font());
  p.setPen(QColor(0, 0, 0));
  p.setClipRect(inner.adjusted(fill, 0, 0, 0));
  p.drawText(inner, Qt::AlignCenter, text);
  if (fill > 0) {
    p.setClipRect(bar);
    p.setPen(QColor(255, 255, 255));
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
