#include "SystemLocale.h"

#include "LocaleSeparatorWatcher.h"

#include <QLocale>

namespace vexto {

NumberSeparators SystemLocale::Separators() {
    return SeparatorsOf(QLocale::system());
}

bool SystemLocale::AnnouncesChange(const QByteArray&, void*) {
    return false;
}

} // namespace vexto
