#pragma once

#include "calc/LocaleSeparators.h"

#include <QAbstractNativeEventFilter>
#include <QObject>

class QEvent;
class QLocale;

namespace vexto {

// The separators of a locale as the 8-bit number text uses them. A separator that is not exactly
// one Latin-1 character falls back to the full stop (decimal) or the comma (thousands).
NumberSeparators SeparatorsOf(const QLocale& locale);

// Keeps the process-wide separators equal to the user's locale: reads them when made and again
// on the toolkit's locale-change notice, or the platform's own where the toolkit gives none.
// Cells keep their text until the next recalculation.
class LocaleSeparatorWatcher : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LocaleSeparatorWatcher)

public:
    explicit LocaleSeparatorWatcher(QObject* parent = nullptr);

    static void ReadSystemSeparators();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace vexto
