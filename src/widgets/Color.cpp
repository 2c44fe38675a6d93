#include "Color.h"

#include <QColor>
#include <QPalette>

namespace vexto {

QColor ToQColor(TColor color, const QPalette& palette) {
    if (!color.IsSystem())
        return QColor(color.Red(), color.Green(), color.Blue());
    switch (color.SystemNumber()) {
    case clBtnFace.SystemNumber():
        return palette.color(QPalette::Active, QPalette::Window);
    case clBtnShadow.SystemNumber():
        return palette.color(QPalette::Active, QPalette::Dark);
    case clGrayText.SystemNumber():
        return palette.color(QPalette::Disabled, QPalette::WindowText);
    case clBtnHighlight.SystemNumber():
        return palette.color(QPalette::Active, QPalette::Light);
    case clInfoBk.SystemNumber():
        return palette.color(QPalette::Active, QPalette::ToolTipBase);
    case clWindowText.SystemNumber():
    default:
        return palette.color(QPalette::Active, QPalette::WindowText);
    }
}

} // namespace vexto
