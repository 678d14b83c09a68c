#include "ui/qt/Skins.h"

#include <QFile>

#include "ui/Palette.h"
#include "ui/qt/FromLayout.h"

namespace uiqt {

QString SkinStyleSheet(const std::string& skinName) {
  const ui::Palette palette = ui::PaletteFor(skinName);
  if (!palette.skinned) return QString();
  QFile file(QStringLiteral(":/skins/web2.qss"));
  if (!file.open(QIODevice::ReadOnly)) return QString();
  QString sheet = QString::fromUtf8(file.readAll());
  sheet.replace(QStringLiteral("@panelBorder@"), ColorOf(palette.panelBorder).name());
  sheet.replace(QStringLiteral("@hoverFrame@"), ColorOf(palette.hoverFrame).name());
  return sheet;
}

}  // namespace uiqt
