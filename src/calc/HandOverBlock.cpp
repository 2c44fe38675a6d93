#include "HandOverBlock.h"

#include <algorithm>
#include <cstring>

namespace vexto::HandOverBlock {

namespace {

std::uint32_t readU32(ConstBytes block, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= std::uint32_t(std::to_integer<std::uint8_t>(block[offset + i])) << (8 * i);
    return value;
}

void writeU32(Bytes block, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        block[offset + i] = std::byte((value >> (8 * i)) & 0xFFu);
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

} // namespace

std::uint32_t NotifyId(ConstBytes block) {
    return readU32(block, 0);
}

void SetNotifyId(Bytes block, std::uint32_t id) {
    writeU32(block, 0, id);
}

std::int32_t StoredCount(ConstBytes block) {
    return static_cast<std::int32_t>(readU32(block, CountOffset));
}

std::string CutParameter(std::string_view text) {
    if (text.size() <= MaxParameterBytes)
        return std::string(text);
    // Back off to the lead byte of the character that would be split; a run of continuation
    // bytes without a lead (not UTF-8 at all) is cut at the byte limit.
    std::size_t end = MaxParameterBytes;
    while (end > 0 && isContinuationByte(text[end]))
        --end;
    if (end == 0)
        end = MaxParameterBytes;
    return std::string(text.substr(0, end));
}

void WriteParameters(Bytes block, const std::vector<std::string>& parameters) {
    std::size_t count = 0;
    for (const std::string& parameter : parameters) {
        if (count == SlotCount)
            break;
        if (parameter.empty())
            continue;
        const std::string cut = CutParameter(parameter);
        // A zero byte inside an argument cannot come from argv; the slot ends at the first.
        std::byte* slot = block.data() + SlotsOffset + SlotSize * count;
        std::memcpy(slot, cut.data(), cut.size());
        slot[cut.size()] = std::byte{0};
        ++count;
    }
    writeU32(block, CountOffset, static_cast<std::uint32_t>(count));
}

std::vector<std::string> ReadParameters(ConstBytes block) {
    const std::int32_t stored = StoredCount(block);
    const std::size_t count =
        stored < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(stored), SlotCount);
    std::vector<std::string> parameters;
    parameters.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto* slot = reinterpret_cast<const char*>(block.data() + SlotsOffset + SlotSize * i);
        const void* zero = std::memchr(slot, 0, MaxParameterBytes);
        const std::size_t length =
            zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - slot)
                 : MaxParameterBytes;
        parameters.emplace_back(slot, length);
    }
    return parameters;
}

} // namespace vexto::HandOverBlock
