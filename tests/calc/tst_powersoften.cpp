#include "calc/FloatingPointMode.h"
#include "calc/NumberText.h"
#include "calc/PowersOfTen.h"

#include <QTest>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using namespace vexto;

namespace {

// An independent check of the table: natural numbers in base 10^9 limbs, least significant
// first, so powers of ten are written down directly and powers of two are built by doubling;
// the table itself is built in binary by multiplying by ten.
class Decimal {
public:
    static constexpr std::uint64_t base = 1'000'000'000;

    explicit Decimal(std::uint64_t value = 0) {
        do {
            m_limbs.push_back(static_cast<std::uint32_t>(value % base));
            value /= base;
        } while (value != 0);
    }

    // factor * 10^exponent, for factor < 10.
    static Decimal scaledPowerOfTen(unsigned factor, int exponent) {
        Decimal result;
        result.m_limbs.assign(static_cast<std::size_t>(exponent / 9) + 1, 0);
        std::uint32_t top = factor;
        for (int digit = 0; digit < exponent % 9; ++digit)
            top *= 10;
        result.m_limbs.back() = top;
        return result;
    }

    void multiplyBySmall(std::uint64_t factor) {
        std::uint64_t carry = 0;
        for (std::uint32_t& limb : m_limbs) {
            const std::uint64_t product = limb * factor + carry;
            limb = static_cast<std::uint32_t>(product % base);
            carry = product / base;
        }
        while (carry != 0) {
            m_limbs.push_back(static_cast<std::uint32_t>(carry % base));
            carry /= base;
        }
    }

    void doubleTimes(int count) {
        for (; count >= 20; count -= 20)
            multiplyBySmall(std::uint64_t{1} << 20);
        multiplyBySmall(std::uint64_t{1} << count);
    }

    void addSmall(std::uint32_t value) {
        std::uint64_t carry = value;
        for (std::size_t index = 0; carry != 0; ++index) {
            if (index == m_limbs.size())
                m_limbs.push_back(0);
            const std::uint64_t sum = m_limbs[index] + carry;
            m_limbs[index] = static_cast<std::uint32_t>(sum % base);
            carry = sum / base;
        }
    }

    // Only for a subtrahend not above the lowest limb; enough here.
    void subtractSmall(std::uint32_t value) {
        std::size_t index = 0;
        std::uint32_t borrow = value;
        while (m_limbs[index] < borrow) {
            m_limbs[index] = static_cast<std::uint32_t>(m_limbs[index] + base - borrow);
            borrow = 1;
            ++index;
        }
        m_limbs[index] -= borrow;
        trim();
    }

    Decimal times(const Decimal& other) const {
        Decimal product;
        product.m_limbs.assign(m_limbs.size() + other.m_limbs.size(), 0);
        for (std::size_t i = 0; i < m_limbs.size(); ++i) {
            std::uint64_t carry = 0;
            for (std::size_t j = 0; j < other.m_limbs.size(); ++j) {
                const std::uint64_t sum =
                    product.m_limbs[i + j] + std::uint64_t{m_limbs[i]} * other.m_limbs[j] + carry;
                product.m_limbs[i + j] = static_cast<std::uint32_t>(sum % base);
                carry = sum / base;
            }
            product.m_limbs[i + other.m_limbs.size()] += static_cast<std::uint32_t>(carry);
        }
        product.trim();
        return product;
    }

    friend int compare(const Decimal& left, const Decimal& right) {
        if (left.m_limbs.size() != right.m_limbs.size())
            return left.m_limbs.size() < right.m_limbs.size() ? -1 : 1;
        for (std::size_t index = left.m_limbs.size(); index-- > 0;) {
            if (left.m_limbs[index] != right.m_limbs[index])
                return left.m_limbs[index] < right.m_limbs[index] ? -1 : 1;
        }
        return 0;
    }

private:
    void trim() {
        while (m_limbs.size() > 1 && m_limbs.back() == 0)
            m_limbs.pop_back();
    }

    std::vector<std::uint32_t> m_limbs;
};

// Powers of two for a rising exponent, each built from the one before.
class PowersOfTwo {
public:
    const Decimal& at(int exponent) {
        m_power.doubleTimes(exponent - m_exponent);
        m_exponent = exponent;
        return m_power;
    }

private:
    Decimal m_power{1};
    int m_exponent = 0;
};

constexpr std::uint64_t topBit = std::uint64_t{1} << 63;
// (2^64 - 1) * 2^16320, the largest finite extended number, is the significand and exponent
// this table stops below.
constexpr int largestExponent = 16320;

} // namespace

class TestPowersOfTen : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetFloatingPointMode(); }
    void everyPowerIsTheNearestExtended();
    void powersPastTheRangeDoNotRead();
};

// 10^k = v is correctly rounded when, for v = m * 2^e with a 64-bit m, 4 * 10^k lies between the
// midpoints to v's neighbours, (4m - 2) * 2^e (or (4m - 1) * 2^e when m is a power of two, whose
// lower neighbour is half as far) and (4m + 2) * 2^e, and lies on a midpoint only for an even m.
void TestPowersOfTen::everyPowerIsTheNearestExtended() {
    PowersOfTwo powersOfTwo;
    for (int k = 0; k <= LargestFinitePowerOfTen; ++k) {
        const Extended power = CorrectlyRoundedPowerOfTen(k);
        QVERIFY2(std::isfinite(power), qPrintable(QString::number(k)));
        int exponent = 0;
        const Extended fraction = std::frexp(power, &exponent);
        const auto significand = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
        exponent -= 64;
        QVERIFY(significand >= topBit);

        Decimal target = Decimal::scaledPowerOfTen(4, k);
        Decimal below(significand);
        below.multiplyBySmall(4);
        Decimal above = below;
        below.subtractSmall(significand == topBit ? 1 : 2);
        above.addSmall(2);
        if (exponent >= 0) {
            const Decimal& scale = powersOfTwo.at(exponent);
            below = below.times(scale);
            above = above.times(scale);
        } else {
            target.doubleTimes(-exponent);
        }
        const int fromBelow = compare(target, below);
        const int fromAbove = compare(target, above);
        const bool even = (significand & 1U) == 0;
        QVERIFY2(fromBelow > 0 || (fromBelow == 0 && even),
                 qPrintable(QStringLiteral("10^%1 rounded up too far").arg(k)));
        QVERIFY2(fromAbove < 0 || (fromAbove == 0 && even),
                 qPrintable(QStringLiteral("10^%1 rounded down too far").arg(k)));
        // The reader scales 1 by the same power, exactly.
        const std::optional<Extended> read = TryReadNumber("1E" + std::to_string(k), '.');
        QVERIFY(read.has_value() && *read == power);
    }
}

// From 10^4933 on, the exact power is at least halfway past the largest extended number, so it
// rounds to infinity; such a power makes the text unreadable whatever the mantissa.
void TestPowersOfTen::powersPastTheRangeDoNotRead() {
    PowersOfTwo powersOfTwo;
    Decimal overflowBound(~std::uint64_t{0});
    overflowBound.multiplyBySmall(2);
    overflowBound.addSmall(1);
    overflowBound = overflowBound.times(powersOfTwo.at(largestExponent - 1));
    for (int k = 0; k <= 5000; ++k) {
        const bool overflows = compare(Decimal::scaledPowerOfTen(1, k), overflowBound) >= 0;
        QCOMPARE(overflows, k > LargestFinitePowerOfTen);
        if (!overflows)
            continue;
        const std::string power = std::to_string(k);
        for (const std::string& text : {"1E" + power, "1E-" + power, "0E" + power, "0E-" + power})
            QVERIFY2(!TryReadNumber(text, '.').has_value(), text.c_str());
    }
}

QTEST_GUILESS_MAIN(TestPowersOfTen)
#include "tst_powersoften.moc"
