#include "WindowFont.h"

#include <QStringList>

namespace vexto {

// "MS Sans Serif" at 8 points has no Linux counterpart by that name; Liberation Sans has the same
// metrics as the faces it stands in for, so the cells' widest texts keep to two lines.
QFont WindowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                      QStringLiteral("Arial"), QStringLiteral("Helvetica"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace vexto
