#pragma once
// Every text the firmware handlers show, in one place.

namespace firmware::texts {

inline constexpr const char* kParityError = "Порушення парності у строці мікропрограми: ";
inline constexpr const char* kChecksumError = "Помилка контрольної суми у строці мікропрограми: ";
inline constexpr const char* kInvalidCharacter = "Недопустимий символ у строці мікропрограми: ";
inline constexpr const char* kStartLinearAddress = "Знайдено: Start Linear Address Records (MDK-ARM only): ";

inline constexpr const char* kReadyCarried = "Мікропрограма готова до запису";

inline constexpr const char* kOpenFilter = "Файли: I8HEX, I16HEX, I32HEX|*.hex";
inline constexpr const char* kOpenedLabelPrefix = "Мікропрограма : ";
inline constexpr const char* kOpenedLabelMiddle = " - відкрита";
inline constexpr const char* kOpenedLabelSuffix = ". Запишіть в прилад";
inline constexpr const char* kOpenedMessage = "Мікропрограма відкрита,\r\n   запишіть її в прилад";

// The runtime's file error: "Cannot open file "<path>". <reason>".
inline constexpr const char* kCannotOpenFile = "Cannot open file \"";
inline constexpr const char* kCannotOpenFileEnd = "\". ";

}  // namespace firmware::texts
