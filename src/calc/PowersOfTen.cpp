#include "PowersOfTen.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace vexto {

namespace {

using PowerTable = std::array<Extended, LargestFinitePowerOfTen + 1>;

// A natural number in 32-bit limbs, least significant first, never with a zero top limb. Fixed
// storage: the reader that needs the table must not fail for want of memory.
class WholeNumber {
public:
    explicit WholeNumber(std::uint32_t value) { m_limbs[0] = value; }

    void multiplyByTen() {
        std::uint64_t carry = 0;
        for (std::size_t index = 0; index < m_size; ++index) {
            const std::uint64_t product = std::uint64_t{m_limbs[index]} * 10 + carry;
            m_limbs[index] = static_cast<std::uint32_t>(product);
            carry = product >> 32;
        }
        if (carry != 0)
            m_limbs[m_size++] = static_cast<std::uint32_t>(carry);
    }

    std::int64_t bitLength() const {
        return static_cast<std::int64_t>(m_size - 1) * 32 + std::bit_width(m_limbs[m_size - 1]);
    }

    bool bit(std::int64_t index) const {
        return ((m_limbs[static_cast<std::size_t>(index / 32)] >> (index % 32)) & 1U) != 0;
    }

    // The 64 bits starting at bit `low`, which must all lie inside the number.
    std::uint64_t bitsFrom(std::int64_t low) const {
        std::uint64_t bits = 0;
        for (int offset = 63; offset >= 0; --offset)
            bits = (bits << 1) | (bit(low + offset) ? 1U : 0U);
        return bits;
    }

    // A power of ten rounded to a 64-bit significand, to nearest. No power of ten lies halfway
    // between two such significands: 10^n is the odd 5^n followed by n zero bits, and 5^n jumps
    // from 63 bits (n = 27) to 66, so where any of its bits are dropped, its lowest set bit is
    // among them, below the first dropped one. Adding the first dropped bit rounds correctly.
    Extended rounded() const {
        const std::int64_t length = bitLength();
        if (length <= 64)
            return static_cast<Extended>(bitsFromLowEnd());
        std::int64_t shift = length - 64;
        std::uint64_t significand = bitsFrom(shift);
        if (bit(shift - 1)) {
            ++significand;
            if (significand == 0) {
                significand = std::uint64_t{1} << 63;
                ++shift;
            }
        }
        return std::ldexp(static_cast<Extended>(significand), static_cast<int>(shift));
    }

private:
    std::uint64_t bitsFromLowEnd() const {
        std::uint64_t bits = 0;
        for (std::size_t index = m_size; index-- > 0;)
            bits = (bits << 32) | m_limbs[index];
        return bits;
    }

    // Room for 10^4933, the last power formed (16388 bits).
    std::array<std::uint32_t, 513> m_limbs{};
    std::size_t m_size = 1;
};

PowerTable buildPowerTable() {
    PowerTable table{};
    WholeNumber power(1);
    for (Extended& entry : table) {
        entry = power.rounded();
        power.multiplyByTen();
    }
    return table;
}

} // namespace

Extended CorrectlyRoundedPowerOfTen(int power) {
    if (power <= LargestExactPowerOfTen)
        return ExactPowerOfTen(power);
    static const PowerTable table = buildPowerTable();
    return table[static_cast<std::size_t>(power)];
}

} // namespace vexto
