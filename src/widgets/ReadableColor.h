#pragma once

class QColor;

namespace vexto {

// The layout fixes some colours (the cells' pale backgrounds, the link's blue) while the desktop's
// colour scheme supplies others (the window text, the window): under a dark or high-contrast
// scheme such a pair can be unreadable. These keep the intended colour wherever it reads and
// replace it only where it does not.

// WCAG 2's contrast ratio of two colours: 1 for the same luminance up to 21 for black on white.
double ContrastRatio(const QColor& first, const QColor& second);

// The least ratio at which body text reads: WCAG 2's level AA.
inline constexpr double ReadableContrast = 4.5;

// `wanted` where it reads on `ground`; otherwise black or white, whichever stands out more.
QColor TextColorOn(const QColor& ground, const QColor& wanted);

// `wanted` where it reads on `ground`; otherwise `wanted` moved toward black or white, whichever
// stands out more, just far enough to read. A tint (a link's blue, a disabled grey) stays
// recognisable as what it was.
QColor ReadableTintOn(const QColor& ground, const QColor& wanted);

} // namespace vexto
