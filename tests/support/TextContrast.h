#pragma once

#include <QColor>

class QImage;
class QRect;

// Text as it reached the screen, measured from pixels the way WCAG 2 measures contrast: the
// region's most frequent colour is the ground the text is painted on, and the pixel that stands
// out most from it is the ink (the core of a stroke, where no smoothing thins it).
struct MeasuredText {
    QColor ground;
    QColor ink;
    double contrast = 1;
};

MeasuredText MeasureText(const QImage& image, const QRect& region);

// WCAG 2's contrast ratio, worked here from its definition independently of the program's own.
double WcagContrast(const QColor& first, const QColor& second);
