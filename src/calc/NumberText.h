#pragma once

#include "Extended.h"
#include "LocaleSeparators.h"

#include <optional>
#include <string>
#include <string_view>

namespace vexto {

// The rules of a numeric entry field's text, without the field: what a typed text reads as, how a
// value is clamped to the field's bounds, and how a value is written back as edit and display text.
// Texts are 8-bit; the separators are passed in by the caller.

// Trims blanks (character 32) from both ends, drops thousands separators when they differ from the
// decimal separator, turns full stops and commas that are neither separator into the decimal
// separator, and makes an empty text "0" and a lone minus sign "-0".
std::string NormaliseNumberText(std::string_view text, NumberSeparators separators);

// Reads a normalised text: blanks, an optional sign, digits with an optional decimal separator and
// fraction, an optional exponent ("E" in either case, optional sign, digits; none counts as 0),
// blanks. The digits are gathered as one whole number and scaled by the correctly rounded power
// of ten (exponent minus fraction digits) in one step, each step rounded to nearest. The sign is
// applied last, so "-0" gives negative zero. No value when the text does not read, when the
// exponent needs a digit after reaching 500, when that power of ten is beyond the extended range
// (even for a zero mantissa), or when the number overflows.
std::optional<Extended> TryReadNumber(std::string_view normalised, char decimalSeparator) noexcept;

// As TryReadNumber, but raises EConvertError naming the normalised text when it does not read.
Extended ReadNumber(std::string_view normalised, char decimalSeparator);

// Equal bounds mean no bounds; with maxValue below minValue a zero bound is the missing one, and
// any other such pair leaves the value alone. Negative zero is neither below nor above 0.
Extended ClampValue(Extended value, Extended minValue, Extended maxValue) noexcept;

// The edit text of a value: empty for zero when zeroEmpty, otherwise rounded to decimalPlaces
// decimals like a coordinate and written without trailing zeros or grouping.
std::string WriteEditText(Extended value, unsigned decimalPlaces, bool zeroEmpty,
                          char decimalSeparator);

// The display text of a value for a pattern of '0' and '#' placeholders with an optional '.': the
// '0's after the point are decimals always written, the '#'s decimals written when not zero. Only
// the first section (up to ';') counts and grouping is never written. "0.00" gives exactly the
// coordinate text. An empty pattern writes up to 18 decimals.
std::string ComposeDisplayText(Extended value, std::string_view displayFormat,
                               char decimalSeparator);

// What a field allows to be typed into it.
struct KeyRules {
    unsigned decimalPlaces = 2;
    Extended minValue = 0;
    Extended maxValue = 0;
    NumberSeparators separators;
};

// Whether the text that a keystroke would leave in the field may stand: after normalisation, no
// more than decimalPlaces characters after the decimal separator (up to an exponent letter), only
// digits, signs, "E" and the separator, its first 63 characters reading as a number, and no number
// below zero in a field whose bounds are not negative.
bool AcceptsKey(std::string_view candidate, const KeyRules& rules);

} // namespace vexto
