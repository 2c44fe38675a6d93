#pragma once

namespace vexto {

// The two characters of the user's regional settings that number text depends on.
struct NumberSeparators {
    char decimal = '.';
    char thousands = ',';

    friend bool operator==(const NumberSeparators&, const NumberSeparators&) = default;
};

// The one process-wide copy of the user's separators. The pure formatting and parsing functions
// take separators as arguments; their callers fetch them here. Start-up and the locale-change
// notice store them. User-interface thread only.
NumberSeparators CurrentSeparators() noexcept;
void SetCurrentSeparators(NumberSeparators separators) noexcept;

} // namespace vexto
