#include "ReadableColor.h"

#include <QColor>

#include <algorithm>
#include <cmath>

namespace vexto {

namespace {

double linearChannel(int value) {
    const double encoded = value / 255.0;
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

double relativeLuminance(const QColor& color) {
    return 0.2126 * linearChannel(color.red()) + 0.7152 * linearChannel(color.green()) +
           0.0722 * linearChannel(color.blue());
}

bool reads(const QColor& text, const QColor& ground) {
    return ContrastRatio(text, ground) >= ReadableContrast;
}

// Against any ground one of the two reaches at least 4.58 : 1, so it always reads.
QColor poleFor(const QColor& ground) {
    const QColor black(0, 0, 0);
    const QColor white(255, 255, 255);
    return ContrastRatio(black, ground) >= ContrastRatio(white, ground) ? black : white;
}

int mixChannel(int from, int to, int step, int steps) {
    return from + (to - from) * step / steps;
}

} // namespace

double ContrastRatio(const QColor& first, const QColor& second) {
    const double a = relativeLuminance(first);
    const double b = relativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor TextColorOn(const QColor& ground, const QColor& wanted) {
    return reads(wanted, ground) ? wanted : poleFor(ground);
}

QColor ReadableTintOn(const QColor& ground, const QColor& wanted) {
    if (reads(wanted, ground))
        return wanted;
    const QColor pole = poleFor(ground);
    // Whole steps of one in 255, so the colour found is the same on every platform.
    constexpr int steps = 255;
    for (int step = 1; step < steps; ++step) {
        const QColor mixed(mixChannel(wanted.red(), pole.red(), step, steps),
                           mixChannel(wanted.green(), pole.green(), step, steps),
                           mixChannel(wanted.blue(), pole.blue(), step, steps));
        if (reads(mixed, ground))
            return mixed;
    }
    return pole;
}

} // namespace vexto
