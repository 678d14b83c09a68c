#pragma once
// The main window's own texts, letter for letter.
#include <cstdint>
#include <string>
#include <vector>

#include "Version.h"
#include "protocol/ProtocolTexts.h"
#include "serial/BCPort.h"

namespace ui::texts {

inline constexpr const char* kStartTitle = "OSTRA Bootloader";
// The date is the carried firmware's, read from it by the build.
inline constexpr const char* kTitle = "ZOR-5 Bootloader (від " UPLOADER_CARRIED_DATE ")";
inline constexpr const char* kIdentifyTheDevice = "Визначте прилад";
// The stored caption of Label3 is the one identification resets it to.
inline constexpr const char* kAutoCalibrationZero = protocol::texts::kAutoCalibrationZero;
inline constexpr const char* kStoppedStatus = "Зупинено користувачем";
inline constexpr const char* kStoppedMessage =
    "                   Зупинено користувачем!\r\n"
    "         Мікропрограма записана частково!\r\n"
    "Необхідно повторно вибрати файл прошивки,\r\n"
    "    і провести запис, інакще в подальшому\r\n"
    "             прилад буде не працездатний!";
inline constexpr const char* kPortsRefreshed = "Порти оновлено!";
inline constexpr const char* kDeviceReset = "Скинуто прилад!!!";

// Captions and hints of the layout.
inline constexpr const char* kLabel1Caption = "Порт:";
inline constexpr const char* kLabel1Hint = "Запустити диспетчер пристроїв";
inline constexpr const char* kCbPortHint = "Ctrl+R оновлення списку портів";
inline constexpr const char* kButtonWriteHint =
    "\rКоманда запису!\r\rЗаборонено переривати процедуру запису, інакше це може привести до некоректної роботи приладу!";
inline constexpr const char* kPNGButton6Hint = "Про програму";
inline constexpr const char* kCbBaudRateHint = "Швидкість встановлюється відповідно до документації на прилад";
inline constexpr const char* kSButton2Hint = "Сайт виробника";
inline constexpr const char* kSButton3Hint = "Інформація про програму";
inline constexpr const char* kButtonConectCaption = "Визначити";
inline constexpr const char* kButtonOpenHexCaption = "Відкрити";
inline constexpr const char* kButtonOpenHexHint = "Повинна бути точна відповідність приладу і мікропрограми для нього";
inline constexpr const char* kMemoAboutHint = "Інформація про прилад";

// The speed selector's items: the speed table's rates as written, so that an
// item's index is its TBaudRate ordinal.
inline std::vector<std::string> BaudRateItems() {
  std::vector<std::string> items;
  for (std::uint32_t rate : serial::kBaudRates) items.push_back(std::to_string(rate));
  return items;
}

}  // namespace ui::texts
