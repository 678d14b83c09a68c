#pragma once
// The models keep texts as bytes: our own texts are UTF-8, a device's description
// is Windows-1251. Qt wants QString.
#include <QString>
#include <string>
#include <string_view>

namespace uiqt {

// UTF-8, where a byte is no UTF-8 it is read as Windows-1251.
QString ToQt(std::string_view bytes);
std::string FromQt(const QString& text);
// CR LF, lone CR and lone LF all become one line break.
QString WithLineBreaks(const std::string& bytes);

}  // namespace uiqt
