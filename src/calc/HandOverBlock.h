#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexto {

// The block through which a later copy of the program hands its command-line parameters to the
// first copy. Both sides see the same bytes, little-endian:
//   offset 0: the first copy's notification id (unsigned 32-bit)
//   offset 4: the number of parameter slots in use (signed 32-bit, 0 to 10)
//   offset 8: ten slots of 301 bytes, each a text of at most 300 bytes ended by a zero byte.
// Only copies of this program write the block, but anything of the same user could: reading
// never trusts the count or the zero bytes.
namespace HandOverBlock {

inline constexpr std::size_t Size = 3018;
inline constexpr std::size_t CountOffset = 4;
inline constexpr std::size_t SlotsOffset = 8;
inline constexpr std::size_t SlotCount = 10;
inline constexpr std::size_t SlotSize = 301;
inline constexpr std::size_t MaxParameterBytes = SlotSize - 1;

using Bytes = std::span<std::byte, Size>;
using ConstBytes = std::span<const std::byte, Size>;

std::uint32_t NotifyId(ConstBytes block);
void SetNotifyId(Bytes block, std::uint32_t id);

// The count field as stored, hostile values included.
std::int32_t StoredCount(ConstBytes block);

// The UTF-8 text cut to at most MaxParameterBytes, never inside a multi-byte character.
std::string CutParameter(std::string_view text);

// Writes at most SlotCount parameters, empty ones skipped, each cut by CutParameter. Slots past
// the new count keep what they held.
void WriteParameters(Bytes block, const std::vector<std::string>& parameters);

// The parameters in slot order: the count clamped to 0..SlotCount, each slot read up to its
// zero byte and never past MaxParameterBytes.
std::vector<std::string> ReadParameters(ConstBytes block);

} // namespace HandOverBlock

} // namespace vexto
