#pragma once
// The looks that the skin manager's name selects: Qt style sheets of our own.
#include <QString>
#include <string>

namespace uiqt {

// The style sheet for a skin name; empty (the platform's plain look) for a name
// that names no skin.
QString SkinStyleSheet(const std::string& skinName);

}  // namespace uiqt
