#pragma once
// The layout table in Qt's terms: what every control of both windows takes from
// it when it is made (name, place, colours, font, cursor, focus, skin section).
#include <QColor>
#include <QFont>
#include <QString>
#include <Qt>

#include "ui/Layout.h"

class QWidget;

namespace uiqt {

// A system colour from the application's palette; an invalid QColor for the
// view's default and for transparent.
QColor ColorOf(const ui::layout::Color& color);
// A control's font: its own height and family where the table gives one, the
// window's otherwise.
QFont FontOf(const ui::layout::Font& font, const ui::layout::Font& windowFont);
Qt::WindowFlags WindowFlagsOf(const ui::layout::WindowLayout& window);
// The Qt resource of one of the program's pictures.
QString PictureResource(const char* file);

// Names the widget and gives it its place in the parent and its looks.
void ApplyLayout(QWidget* widget, const ui::layout::ControlLayout& control);
// The window's own: fixed client size, background, font.
void ApplyWindowLayout(QWidget* window, const ui::layout::WindowLayout& layout);

}  // namespace uiqt
