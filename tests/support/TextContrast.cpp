#include "TextContrast.h"

#include <QHash>
#include <QImage>
#include <QRect>

#include <algorithm>
#include <cmath>

namespace {

double luminance(const QColor& color) {
    const auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.red()) + 0.7152 * linear(color.green()) +
           0.0722 * linear(color.blue());
}

} // namespace

double WcagContrast(const QColor& first, const QColor& second) {
    const double a = luminance(first);
    const double b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

MeasuredText MeasureText(const QImage& image, const QRect& region) {
    QHash<QRgb, int> counts;
    const QRect inside = region.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++counts[image.pixel(x, y) | 0xFF000000u];
    MeasuredText text;
    int groundCount = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > groundCount) {
            groundCount = it.value();
            text.ground = QColor::fromRgb(it.key());
        }
    text.ink = text.ground;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const double contrast = WcagContrast(QColor::fromRgb(it.key()), text.ground);
        if (contrast > text.contrast) {
            text.contrast = contrast;
            text.ink = QColor::fromRgb(it.key());
        }
    }
    return text;
}
