// Every text the status marquee of the window can show, as UTF-8. The selection handling
// joins ControllerPrefix, the controller's address and, when the controllers heard hold no
// record for it, NoConfigSuffix: "Контроллер 192.168.1.20  Конфиг. не считана".
#pragma once

namespace MarqueeText {

inline constexpr char BroadcastSearch[] = "Широковещательный поиск";
inline constexpr char SearchByAddress[] = "Поиск контроллера по IP";
inline constexpr char WritingConfig[] = "Запись конфигурации контроллера...";
inline constexpr char WriteFailed[] = "Ошибка записи конфигурации";
// One trailing blank: the address follows directly.
inline constexpr char ControllerPrefix[] = "Контроллер ";
// Two leading blanks: they separate it from the address.
inline constexpr char NoConfigSuffix[] = "  Конфиг. не считана";

} // namespace MarqueeText
