#pragma once

#include <cstdint>

namespace vexto {

// Horizontal placement of a widget's text.
enum class TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

} // namespace vexto
