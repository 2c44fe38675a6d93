#include "SystemLocale.h"

#include <windows.h>

namespace vexto {

namespace {

// One byte of the system's 8-bit code page; a separator of more than one falls back.
char localeCharacter(LCTYPE item, char fallback) {
    char value[8] = {};
    const int length = ::GetLocaleInfoA(::GetThreadLocale(), item, value, sizeof value);
    return length == 2 && value[0] != '\0' ? value[0] : fallback;
}

} // namespace

NumberSeparators SystemLocale::Separators() {
    const NumberSeparators defaults;
    return {localeCharacter(LOCALE_SDECIMAL, defaults.decimal),
            localeCharacter(LOCALE_STHOUSAND, defaults.thousands)};
}

bool SystemLocale::AnnouncesChange(const QByteArray& eventType, void* message) {
    return eventType == "windows_generic_MSG" &&
           static_cast<const MSG*>(message)->message == WM_SETTINGCHANGE;
}

} // namespace vexto
