#pragma once
// The protocol's user-visible texts, letter for letter.
#include "firmware/FirmwareTexts.h"

namespace protocol::texts {

inline constexpr const char* kAutoCalibration = "Автокалібровка: ";
inline constexpr const char* kAutoCalibrationZero = "Автокалібровка: 0.0.0";
// The status the firmware's own ready state shows.
inline constexpr const char* kReadyForWriting = firmware::texts::kReadyCarried;

inline constexpr const char* kNotIdentifiedByButton =
    "Не визначино, для усунення причин:\r\n"
    "- прилад повинен бути включеним;\r\n"
    "- ввести пароль;\r\n"
    "- перевірити вибір немеру СОМ;\r\n"
    "- перевірити швидкість (більшість 115200).";
inline constexpr const char* kNotIdentifiedByWrite =
    "Не визначино, для усунення причин:\r\n"
    "- прилад повинен бути включеним;\r\n"
    "- розвернути роз`єм програмування;\r\n"
    "- ввести пароль;\r\n"
    "- перевірити вибір немеру СОМ.";
inline constexpr const char* kUnknownLoader = " - невідома версія завантажувача мікроконтролера";
inline constexpr const char* kNoDescriptionByButton = "Невідомий прилад (без текстового опису)";
inline constexpr const char* kNoDescriptionByWrite = "Невідомий прилад/версія";

inline constexpr const char* kIdentifiedPrefix = "Визначино:\r\n";
inline constexpr const char* kSuspended =
    "              Робота приладу призупинена!\r\nВідкрийте мікропрограму з розширенням - HEX";
inline constexpr const char* kOpenHexStatus = "Відкрийте мікропрограму з розширенням - HEX";

inline constexpr const char* kWhatIsThis = "Невідомо що то є!";
inline constexpr const char* kAlreadyWritten = "Дана версія вже записана в прилад!";
inline constexpr const char* kNewerWritten = "В прилад вже записана новіша версія!";
inline constexpr const char* kWriting = "Йде запис! Заборонено переривати!";

inline constexpr const char* kLoadedStatus = "Мікропрограма : успішно завантажена в ";
inline constexpr const char* kLoadedMessageHead =
    "                                         Мікропрограма успішно завантажена в ";
inline constexpr const char* kLoadedMessageTail =
    "\r\nПісля запису необхідно провести процедуру встановлення початкових установок (при наявності)"
    "\r\n                  Після запису необхідно провести встановлення конфігурації (при наявності)";

inline constexpr const char* kFailedStatusHead = "Мікропрограма : ";
inline constexpr const char* kFailedStatusTail = " - помилка";
inline constexpr const char* kEraseError = "                              \r\nПомилка очистки - ";
inline constexpr const char* kWriteError = "                              \r\nПомилка запису - ";
inline constexpr const char* kProgramError = "                              \r\nПомилка прошивки - ";
inline constexpr const char* kIncompleteWarning =
    "                                               Увага!\r\nПри неповному запису можлива некоректна робота приладу!";

inline constexpr const char* kStoppedStatus = "Зупинено користувачем";
inline constexpr const char* kStoppedMessage =
    "                   Зупинено користувачем!\r\n"
    "         Мікропрограма записана частково!\r\n"
    "Необхідно повторно вибрати файл прошивки,\r\n"
    "    і провести запис, інакще в подальшому\r\n"
    "             прилад буде не працездатний!";
inline constexpr const char* kDeviceReset = "Скинуто прилад!!!";

// Log words of the transfer's lines in MemoAbout.
inline constexpr const char* kLogErased = "Очистив";
inline constexpr const char* kLogWrote = "Записав";
inline constexpr const char* kLogFlashed = "Прошив";

}  // namespace protocol::texts
