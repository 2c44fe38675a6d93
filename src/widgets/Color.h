#pragma once

#include <cstdint>

class QColor;
class QPalette;

namespace vexto {

// A colour as the window's layout writes it: a plain colour holds red in the lowest byte, green in
// the next and blue in the third; a top byte of 0xFF names a system colour by its number in the
// lowest byte, resolved against the palette only when something is drawn.
class TColor {
public:
    constexpr TColor() = default;
    constexpr explicit TColor(std::uint32_t value) : m_value(value) {}

    static constexpr TColor FromRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
        return TColor(std::uint32_t(red) | std::uint32_t(green) << 8 | std::uint32_t(blue) << 16);
    }
    static constexpr TColor System(std::uint8_t number) { return TColor(0xFF000000u | number); }

    constexpr std::uint32_t Value() const { return m_value; }
    constexpr bool IsSystem() const { return (m_value >> 24) == 0xFF; }
    constexpr std::uint8_t SystemNumber() const { return std::uint8_t(m_value); }
    constexpr std::uint8_t Red() const { return std::uint8_t(m_value); }
    constexpr std::uint8_t Green() const { return std::uint8_t(m_value >> 8); }
    constexpr std::uint8_t Blue() const { return std::uint8_t(m_value >> 16); }

    friend constexpr bool operator==(TColor, TColor) = default;

private:
    std::uint32_t m_value = 0;
};

inline constexpr TColor clWindowText = TColor::System(8);
inline constexpr TColor clBtnFace = TColor::System(15);
inline constexpr TColor clBtnShadow = TColor::System(16);
inline constexpr TColor clGrayText = TColor::System(17);
inline constexpr TColor clBtnHighlight = TColor::System(20);
inline constexpr TColor clInfoBk = TColor::System(24);

inline constexpr TColor clMoneyGreen = TColor::FromRgb(192, 220, 192);
inline constexpr TColor clBlue = TColor::FromRgb(0, 0, 255);

// The palette's colour for a system colour, the colour itself otherwise. System colours don't
// change with window activation, so they come from the active group (grey text from the disabled
// one); a system number the program never uses reads as the window text colour.
QColor ToQColor(TColor color, const QPalette& palette);

} // namespace vexto
