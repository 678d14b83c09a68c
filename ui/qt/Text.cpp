#include "ui/qt/Text.h"

#include "forms/Cp1251.h"
#include "forms/TextLines.h"

namespace uiqt {

QString ToQt(std::string_view bytes) {
  if (forms::AllAscii(bytes)) return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  // Byte by byte where it is no UTF-8: one stray byte leaves the rest readable.
  return QString::fromStdString(forms::Utf8OrCp1251(bytes));
}

std::string FromQt(const QString& text) { return text.toUtf8().toStdString(); }

QString WithLineBreaks(const std::string& bytes) { return ToQt(forms::WithLineBreaks(bytes, "\n")); }

}  // namespace uiqt
