#include "ui/qt/FromLayout.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

#include "ui/qt/Widgets.h"

namespace uiqt {

namespace layout = ui::layout;

QColor ColorOf(const layout::Color& color) {
  const QPalette pal = QApplication::palette();
  switch (color.source) {
    case layout::ColorSource::Rgb: return QColor(color.red, color.green, color.blue);
    case layout::ColorSource::Light3D: return pal.color(QPalette::Light);
    case layout::ColorSource::ButtonFace: return pal.color(QPalette::Button);
    case layout::ColorSource::WindowText: return pal.color(QPalette::WindowText);
    case layout::ColorSource::GrayText: return pal.color(QPalette::Disabled, QPalette::WindowText);
    case layout::ColorSource::ButtonShadow: return pal.color(QPalette::Dark);
    case layout::ColorSource::Window: return pal.color(QPalette::Base);
    case layout::ColorSource::Default:
    case layout::ColorSource::Transparent: break;
  }
  return QColor();
}

QFont FontOf(const layout::Font& font, const layout::Font& windowFont) {
  return WindowFont(font.family ? font.family : windowFont.family,
                    font.pixelHeight > 0 ? font.pixelHeight : windowFont.pixelHeight);
}

Qt::WindowFlags WindowFlagsOf(const layout::WindowLayout& window) {
  Qt::WindowFlags flags = window.frame == layout::Frame::DialogFixed ? Qt::Dialog : Qt::Window;
  flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
  if (window.systemMenu) flags |= Qt::WindowSystemMenuHint;
  if (window.minimizeBox) flags |= Qt::WindowMinimizeButtonHint;
  if (window.maximizeBox) flags |= Qt::WindowMaximizeButtonHint;
  return flags;
}

QString PictureResource(const char* file) { return QStringLiteral(":/images/") + QString::fromLatin1(file); }

namespace {

void SetPaletteColor(QWidget* widget, std::initializer_list<QPalette::ColorRole> roles, const QColor& color) {
  if (!color.isValid()) return;
  QPalette pal = widget->palette();
  for (QPalette::ColorRole role : roles) pal.setColor(role, color);
  widget->setPalette(pal);
}

}  // namespace

void ApplyLayout(QWidget* widget, const layout::ControlLayout& control) {
  widget->setObjectName(QString::fromLatin1(control.name));
  widget->setGeometry(control.left, control.top, control.width, control.height);
  if (*control.skinSection) widget->setProperty("skinSection", control.skinSection);
  widget->setFocusPolicy(control.focusOrder >= 0 ? Qt::StrongFocus : Qt::NoFocus);
  if (control.cursor == layout::Cursor::Hand) widget->setCursor(Qt::PointingHandCursor);

  const QColor text = ColorOf(control.text);
  const QColor background = ColorOf(control.background);
  switch (control.kind) {
    case layout::Kind::DropDownList:
    case layout::Kind::EditableComboBox:
      SetPaletteColor(widget, {QPalette::Base, QPalette::Button}, background);
      SetPaletteColor(widget, {QPalette::Text, QPalette::ButtonText}, text);
      break;
    default:
      SetPaletteColor(widget, {QPalette::WindowText}, text);
      SetPaletteColor(widget, {QPalette::Window}, background);
      break;
  }
  if (control.background.source == layout::ColorSource::Transparent) {
    widget->setAutoFillBackground(false);
    widget->setAttribute(Qt::WA_TranslucentBackground);
  }
}

void ApplyWindowLayout(QWidget* window, const layout::WindowLayout& layout) {
  window->setFont(FontOf(layout.font, layout.font));
  window->setAutoFillBackground(true);
  QPalette pal = window->palette();
  pal.setColor(QPalette::Window, ColorOf(layout.background));
  if (const QColor text = ColorOf(layout.text); text.isValid()) pal.setColor(QPalette::WindowText, text);
  window->setPalette(pal);
  window->setFixedSize(layout.clientWidth, layout.clientHeight);
}

}  // namespace uiqt
