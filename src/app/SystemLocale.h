#pragma once

#include "calc/LocaleSeparators.h"

#include <QByteArray>

namespace vexto {

// The user's regional settings as the platform gives them.
class SystemLocale {
public:
    // The decimal and thousands separators the user has chosen.
    static NumberSeparators Separators();

    // Whether a native event from the toolkit announces changed regional settings: on Windows the
    // settings-change notice; elsewhere the toolkit's own locale-change event tells.
    static bool AnnouncesChange(const QByteArray& eventType, void* message);
};

} // namespace vexto
