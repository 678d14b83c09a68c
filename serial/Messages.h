#pragma once
// The component's texts, letter for letter ("СОМ" is Cyrillic).
namespace serial::messages {

inline constexpr const char* kNoSuchPort = "Спроба відкрити неіснуючий СОМ-порт";
inline constexpr const char* kPortBusy = "Порт зайнятий іншою програмою";
// Not a text of the original program: a port the user may not open is neither
// missing nor busy, and on Linux the cure is the dialout group.
inline constexpr const char* kAccessDenied = "Немає дозволу на доступ до порту\nДодайте користувача до групи dialout";
inline constexpr const char* kWriteError = "Помилка запису в порт.\nНеобхідно повторно відкрити програму!";
inline constexpr const char* kReadError = "Помилка читання з порта\nНеобхідно повторно відкрити програму!";
inline constexpr const char* kBadAsync = "Недопустимий параметр Async\nНеобхідно повторно відкрити програму!";
inline constexpr const char* kPurgeComm = "Помилка функції PurgeComm\nНеобхідно повторно відкрити програму!";
inline constexpr const char* kSetCommState = "Помилка функції SetCommState\nНеобхідно повторно відкрити програму!";
inline constexpr const char* kSetCommTimeouts = "Помилка функції SetCommTimeouts\nНеобхідно повторно відкрити програму!";
inline constexpr const char* kSetupComm = "Помилка функції SetupComm\nНеобхідно повторно відкрити програму!";
inline constexpr const char* kClearCommError = "Помилка функції ClearCommError\nНеобхідно повторно відкрити програму!";
inline constexpr const char* kGetCommModemStatus =
    "Помилка функції GetCommModemStatus\nНеобхідно повторно відкрити програму!";
inline constexpr const char* kEscapeCommFunction =
    "Помилка функції EscapeCommFunction\nНеобхідно повторно відкрити програму!";
inline constexpr const char* kPropertyWhileOpen = "Неможна змінювати властивості, доки порт відкритий";
inline constexpr const char* kRegistry = "Помилка звернення до системного реєстру\nНеобхідно повторно відкрити програму!";

}  // namespace serial::messages
