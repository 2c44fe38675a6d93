#include "LocaleSeparatorWatcher.h"

#include "SystemLocale.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLocale>

namespace vexto {

namespace {

char singleLatin1Character(const QString& separator, char fallback) {
    // toLatin1() gives 0 for a character beyond Latin-1, and no locale separates with a nul.
    const char character = separator.size() == 1 ? separator.front().toLatin1() : '\0';
    return character != '\0' ? character : fallback;
}

} // namespace

NumberSeparators SeparatorsOf(const QLocale& locale) {
    const NumberSeparators defaults;
    return {singleLatin1Character(locale.decimalPoint(), defaults.decimal),
            singleLatin1Character(locale.groupSeparator(), defaults.thousands)};
}

LocaleSeparatorWatcher::LocaleSeparatorWatcher(QObject* parent) : QObject(parent) {
    ReadSystemSeparators();
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->installEventFilter(this);
        application->installNativeEventFilter(this);
    }
}

void LocaleSeparatorWatcher::ReadSystemSeparators() {
    SetCurrentSeparators(SystemLocale::Separators());
}

bool LocaleSeparatorWatcher::eventFilter(QObject* watched, QEvent* event) {
    // The notice may reach the application object or only its widgets; reading is cheap.
    if (event->type() == QEvent::LocaleChange)
        ReadSystemSeparators();
    return QObject::eventFilter(watched, event);
}

bool LocaleSeparatorWatcher::nativeEventFilter(const QByteArray& eventType, void* message,
                                               qintptr*) {
    if (SystemLocale::AnnouncesChange(eventType, message))
        ReadSystemSeparators();
    return false;
}

} // namespace vexto
