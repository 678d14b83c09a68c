#include "ui/qt/Text.h"

#include <QStringDecoder>

#include "forms/Cp1251.h"

namespace uiqt {

namespace {

QString FromCp1251(const std::string& bytes) { return QString::fromStdString(forms::Cp1251ToUtf8(bytes)); }

}  // namespace

QString ToQt(const std::string& bytes) {
  bool ascii = true;
  for (unsigned char c : bytes)
    if (c >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii) return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (!utf8.hasError()) return text;
  return FromCp1251(bytes);
}

std::string FromQt(const QString& text) { return text.toUtf8().toStdString(); }

QString WithLineBreaks(const std::string& bytes) {
  QString text = ToQt(bytes);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QChar('\r'), QChar('\n'));
  return text;
}

}  // namespace uiqt
