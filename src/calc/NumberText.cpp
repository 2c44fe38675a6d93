#include "NumberText.h"

#include "DecimalRounding.h"
#include "Exception.h"
#include "PowersOfTen.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

namespace vexto {

namespace {

constexpr char blank = ' ';
// While typing, only this many leading characters of the text are read.
constexpr std::size_t longestTypedSyntax = 63;
// The exponent takes digits until it reaches this; one more digit makes the text unreadable.
constexpr std::int64_t exponentDigitLimit = 500;
constexpr int generalDisplayDecimals = 18;

bool isDigit(char character) {
    return character >= '0' && character <= '9';
}

// The whole number formed by the digits, exact while it fits 64 bits (where extended arithmetic
// is exact too), then in extended precision with both the product and the sum rounded.
class DigitAccumulator {
public:
    void add(char digit) {
        const auto value = static_cast<unsigned>(digit - '0');
        if (!m_inExtended) {
            if (m_whole <= (std::numeric_limits<std::uint64_t>::max() - value) / 10) {
                m_whole = m_whole * 10 + value;
                return;
            }
            m_inExtended = true;
            m_extended = static_cast<Extended>(m_whole);
        }
        m_extended *= 10;
        m_extended += value;
    }

    Extended value() const { return m_inExtended ? m_extended : static_cast<Extended>(m_whole); }

private:
    std::uint64_t m_whole = 0;
    Extended m_extended = 0;
    bool m_inExtended = false;
};

// The whole number times 10^power in one rounded step, a negative power dividing. No value when
// 10^|power| itself is beyond the extended range: forming it overflows, whatever the whole number.
std::optional<Extended> scaleByPowerOfTen(Extended whole, std::int64_t power) {
    const std::int64_t magnitude = power < 0 ? -power : power;
    if (magnitude > LargestFinitePowerOfTen)
        return std::nullopt;
    const Extended factor = CorrectlyRoundedPowerOfTen(static_cast<int>(magnitude));
    return power < 0 ? whole / factor : whole * factor;
}

std::string conversionErrorMessage(std::string_view normalised) {
    std::string message;
    message.reserve(normalised.size() + 40);
    message += '\'';
    message += normalised;
    message += "' is not a valid floating point value";
    return message;
}

struct DecimalPattern {
    int minDecimals = 0;
    int maxDecimals = 0;
};

DecimalPattern parseDisplayFormat(std::string_view format) {
    format = format.substr(0, format.find(';'));
    if (format.empty())
        return {0, generalDisplayDecimals};
    DecimalPattern pattern;
    const std::size_t point = format.find('.');
    if (point == std::string_view::npos)
        return pattern;
    int placeholders = 0;
    for (const char character : format.substr(point + 1)) {
        if (character == '0' || character == '#')
            ++placeholders;
        if (character == '0')
            pattern.minDecimals = placeholders;
    }
    pattern.maxDecimals = placeholders;
    return pattern;
}

} // namespace

std::string NormaliseNumberText(std::string_view text, NumberSeparators separators) {
    const std::size_t first = text.find_first_not_of(blank);
    text = first == std::string_view::npos
               ? std::string_view{}
               : text.substr(first, text.find_last_not_of(blank) - first + 1);

    const bool dropThousands = separators.decimal != separators.thousands;
    const bool mapFullStop = separators.decimal != '.' && separators.thousands != '.';
    const bool mapComma = separators.decimal != ',' && separators.thousands != ',';

    std::string normalised;
    normalised.reserve(text.size());
    for (const char character : text) {
        if (dropThousands && character == separators.thousands)
            continue;
        if ((mapFullStop && character == '.') || (mapComma && character == ','))
            normalised += separators.decimal;
        else
            normalised += character;
    }
    if (normalised.empty() || normalised == "-")
        normalised += '0';
    return normalised;
}

std::optional<Extended> TryReadNumber(std::string_view text, char decimalSeparator) noexcept {
    std::size_t position = 0;
    const std::size_t end = text.size();

    while (position < end && text[position] == blank)
        ++position;

    bool negative = false;
    if (position < end && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }

    DigitAccumulator digits;
    bool sawMantissa = false;
    for (; position < end && isDigit(text[position]); ++position) {
        digits.add(text[position]);
        sawMantissa = true;
    }
    std::int64_t fractionDigits = 0;
    if (position < end && text[position] == decimalSeparator) {
        sawMantissa = true;
        for (++position; position < end && isDigit(text[position]); ++position) {
            digits.add(text[position]);
            ++fractionDigits;
        }
    }
    if (!sawMantissa)
        return std::nullopt;

    std::int64_t exponent = 0;
    if (position < end && (text[position] == 'E' || text[position] == 'e')) {
        ++position;
        bool negativeExponent = false;
        if (position < end && (text[position] == '+' || text[position] == '-')) {
            negativeExponent = text[position] == '-';
            ++position;
        }
        for (; position < end && isDigit(text[position]) && exponent < exponentDigitLimit;
             ++position)
            exponent = exponent * 10 + (text[position] - '0');
        if (negativeExponent)
            exponent = -exponent;
    }

    while (position < end && text[position] == blank)
        ++position;
    if (position != end)
        return std::nullopt;

    const std::optional<Extended> magnitude =
        scaleByPowerOfTen(digits.value(), exponent - fractionDigits);
    if (!magnitude || !std::isfinite(*magnitude))
        return std::nullopt;
    return negative ? -*magnitude : *magnitude;
}

Extended ReadNumber(std::string_view normalised, char decimalSeparator) {
    if (const std::optional<Extended> value = TryReadNumber(normalised, decimalSeparator))
        return *value;
    throw EConvertError(conversionErrorMessage(normalised));
}

Extended ClampValue(Extended value, Extended minValue, Extended maxValue) noexcept {
    if (minValue == maxValue)
        return value;
    if (minValue < maxValue)
        return value < minValue ? minValue : value > maxValue ? maxValue : value;
    if (maxValue == 0)
        return value < minValue ? minValue : value;
    if (minValue == 0)
        return value > maxValue ? maxValue : value;
    return value;
}

std::string WriteEditText(Extended value, unsigned decimalPlaces, bool zeroEmpty,
                          char decimalSeparator) {
    if (value == 0 && zeroEmpty)
        return {};
    const int decimals =
        static_cast<int>(std::min(decimalPlaces, unsigned{MostDecimalsThatMatter}));
    return WriteFixed(RoundToDecimals(value, decimals), 0, decimals, decimalSeparator);
}

std::string ComposeDisplayText(Extended value, std::string_view displayFormat,
                               char decimalSeparator) {
    const DecimalPattern pattern = parseDisplayFormat(displayFormat);
    return WriteFixed(RoundToDecimals(value, pattern.maxDecimals), pattern.minDecimals,
                      pattern.maxDecimals, decimalSeparator);
}

bool AcceptsKey(std::string_view candidate, const KeyRules& rules) {
    const std::string normalised = NormaliseNumberText(candidate, rules.separators);
    const char separator = rules.separators.decimal;

    const std::size_t point = normalised.find(separator);
    if (point != std::string::npos) {
        const std::size_t exponentLetter = normalised.find_first_of("Ee", point + 1);
        const std::size_t fractionEnd =
            exponentLetter == std::string::npos ? normalised.size() : exponentLetter;
        if (fractionEnd - point - 1 > rules.decimalPlaces)
            return false;
    }

    const bool onlyNumberCharacters =
        std::all_of(normalised.begin(), normalised.end(), [separator](char character) {
            return isDigit(character) || character == '+' || character == '-' || character == 'E' ||
                   character == 'e' || character == separator;
        });
    if (!onlyNumberCharacters)
        return false;

    const std::optional<Extended> value =
        TryReadNumber(std::string_view(normalised).substr(0, longestTypedSyntax), separator);
    if (!value)
        return false;

    return !(rules.minValue >= 0 && rules.maxValue > 0 && *value < 0);
}

} // namespace vexto
