// Draws the program's pictures (window icon, About and Write pictures, the emblem,
// the drop-down arrow) into a folder and, when given a second folder, the window icon
// at the icon theme's usual sizes for the desktop menu. Run once; the pictures it
// wrote are committed.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>

namespace {

QImage Blank(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

// A chip with pins on two sides and a downward arrow: "write into the device".
void DrawChipWithArrow(QPainter& p, double s, QColor arrow) {
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF body(s * 0.22, s * 0.42, s * 0.56, s * 0.50);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(150, 156, 166));
  const int pins = 4;
  for (int i = 0; i < pins; ++i) {
    double y = body.top() + body.height() * (i + 0.6) / (pins + 0.2);
    p.drawRect(QRectF(s * 0.10, y - s * 0.025, s * 0.13, s * 0.05));
    p.drawRect(QRectF(s * 0.77, y - s * 0.025, s * 0.13, s * 0.05));
  }
  QLinearGradient g(body.topLeft(), body.bottomLeft());
  g.setColorAt(0, QColor(70, 76, 88));
  g.setColorAt(1, QColor(28, 31, 38));
  p.setBrush(g);
  p.drawRoundedRect(body, s * 0.05, s * 0.05);
  p.setBrush(QColor(255, 255, 255, 90));
  p.drawEllipse(QPointF(body.left() + s * 0.09, body.bottom() - s * 0.09), s * 0.035, s * 0.035);

  QPainterPath a;
  const double cx = s * 0.5;
  a.moveTo(cx - s * 0.09, s * 0.04);
  a.lineTo(cx + s * 0.09, s * 0.04);
  a.lineTo(cx + s * 0.09, s * 0.30);
  a.lineTo(cx + s * 0.20, s * 0.30);
  a.lineTo(cx, s * 0.56);
  a.lineTo(cx - s * 0.20, s * 0.30);
  a.lineTo(cx - s * 0.09, s * 0.30);
  a.closeSubpath();
  p.setPen(QPen(arrow.darker(160), s / 48.0 * 1.2));
  QLinearGradient ag(QPointF(0, s * 0.04), QPointF(0, s * 0.56));
  ag.setColorAt(0, arrow.lighter(140));
  ag.setColorAt(1, arrow);
  p.setBrush(ag);
  p.drawPath(a);
}

QImage WindowIcon(int s) {
  QImage img = Blank(s, s);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, s);
  g.setColorAt(0, QColor(74, 127, 193));
  g.setColorAt(1, QColor(30, 72, 130));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);
  p.setBrush(Qt::white);
  // Three bars of a chip's pins and an arrow into it.
  const QRectF body(s * 0.25, s * 0.50, s * 0.50, s * 0.34);
  p.drawRect(body);
  for (int i = 0; i < 3; ++i) {
    double x = body.left() + body.width() * (i + 0.5) / 3.0 - s * 0.03;
    p.drawRect(QRectF(x, body.bottom(), s * 0.06, s * 0.08));
  }
  QPainterPath a;
  a.moveTo(s * 0.43, s * 0.10);
  a.lineTo(s * 0.57, s * 0.10);
  a.lineTo(s * 0.57, s * 0.28);
  a.lineTo(s * 0.68, s * 0.28);
  a.lineTo(s * 0.50, s * 0.46);
  a.lineTo(s * 0.32, s * 0.28);
  a.lineTo(s * 0.43, s * 0.28);
  a.closeSubpath();
  p.setBrush(QColor(255, 214, 92));
  p.drawPath(a);
  return img;
}

QImage AboutPicture() {
  const int s = 24;
  QImage img = Blank(s, s);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient g(QPointF(s * 0.4, s * 0.35), s * 0.6);
  g.setColorAt(0, QColor(120, 170, 230));
  g.setColorAt(1, QColor(32, 84, 156));
  p.setPen(QPen(QColor(20, 56, 110), 1.0));
  p.setBrush(g);
  p.drawEllipse(QRectF(1.5, 1.5, s - 3, s - 3));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(s / 2.0, s * 0.29), 1.9, 1.9);
  p.drawRoundedRect(QRectF(s / 2.0 - 1.8, s * 0.41, 3.6, s * 0.38), 1.2, 1.2);
  return img;
}

QImage WritePicture() {
  const int s = 48;
  QImage img = Blank(s, s);
  QPainter p(&img);
  DrawChipWithArrow(p, s, QColor(176, 30, 30));
  return img;
}

QImage Emblem() {
  QImage img(120, 89, QImage::Format_RGB32);
  img.fill(QColor(236, 233, 216));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  // A four-pointed star over a wave, then the maker's name.
  QPainterPath star;
  const QPointF c(60, 30);
  for (int i = 0; i < 8; ++i) {
    double r = (i % 2 == 0) ? 24.0 : 6.5;
    double a = i * 3.14159265358979 / 4 - 3.14159265358979 / 2;
    QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
    if (i == 0) star.moveTo(pt); else star.lineTo(pt);
  }
  star.closeSubpath();
  QLinearGradient g(0, 6, 0, 54);
  g.setColorAt(0, QColor(200, 40, 40));
  g.setColorAt(1, QColor(128, 0, 0));
  p.setPen(QPen(QColor(90, 0, 0), 1.0));
  p.setBrush(g);
  p.drawPath(star);
  QPainterPath wave;
  wave.moveTo(14, 56);
  wave.cubicTo(38, 44, 82, 68, 106, 54);
  p.setPen(QPen(QColor(30, 72, 130), 3.0, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(wave);
  QFont f("DejaVu Sans");
  f.setPixelSize(17);
  f.setBold(true);
  f.setLetterSpacing(QFont::AbsoluteSpacing, 2.0);
  p.setFont(f);
  p.setPen(QColor(30, 72, 130));
  p.drawText(QRect(0, 61, 120, 24), Qt::AlignCenter, "OSTRA");
  return img;
}

QImage DropArrow() {
  QImage img = Blank(7, 4);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(60, 68, 80));
  QPolygonF t;
  t << QPointF(0, 0) << QPointF(7, 0) << QPointF(3.5, 4);
  p.drawPolygon(t);
  return img;
}

bool Save(const QImage& img, const QDir& dir, const char* name, const char* format, int quality = -1) {
  const QString path = dir.filePath(name);
  if (!img.save(path, format, quality)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s %dx%d\n", qPrintable(path), img.width(), img.height());
  return true;
}

// The menu's icon is the window's, drawn afresh at each size rather than scaled.
bool SaveThemeIcons(const QDir& theme) {
  for (int s : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString apps = QString("%1x%1/apps").arg(s);
    if (!theme.mkpath(apps)) {
      std::fprintf(stderr, "cannot make %s\n", qPrintable(theme.filePath(apps)));
      return false;
    }
    if (!Save(WindowIcon(s), QDir(theme.filePath(apps)), "zor5-bootloader.png", "PNG")) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: make_pictures <folder> [<icon theme folder>]\n");
    return 2;
  }
  QDir dir(QString::fromLocal8Bit(argv[1]));
  bool ok = Save(WindowIcon(32), dir, "icon32.png", "PNG") && Save(WindowIcon(16), dir, "icon16.png", "PNG") &&
            Save(AboutPicture(), dir, "about24.png", "PNG") && Save(WritePicture(), dir, "write48.png", "PNG") &&
            Save(Emblem(), dir, "emblem.jpg", "JPG", 92) && Save(DropArrow(), dir, "droparrow.png", "PNG");
  if (ok && argc == 3) ok = SaveThemeIcons(QDir(QString::fromLocal8Bit(argv[2])));
  return ok ? 0 : 1;
}
