#include "calc/HandOverBlock.h"

#include <QTest>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace vexto;

using Strings = std::vector<std::string>;

namespace {

using Block = std::array<std::byte, HandOverBlock::Size>;

void putU32(Block& block, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        block[offset + i] = std::byte((value >> (8 * i)) & 0xFF);
}

std::byte* slot(Block& block, std::size_t index) {
    return block.data() + HandOverBlock::SlotsOffset + HandOverBlock::SlotSize * index;
}

QByteArray toBytes(const Strings& strings) {
    QByteArray joined;
    for (const std::string& s : strings)
        joined += QByteArray::fromStdString(s).toPercentEncoding() + ' ';
    return joined;
}

// "é" is two bytes, "€" three, "𝄞" four.
const std::string e2 = "\xC3\xA9";
const std::string e3 = "\xE2\x82\xAC";
const std::string e4 = "\xF0\x9D\x84\x9E";

} // namespace

class TestHandOverBlock : public QObject {
    Q_OBJECT

private slots:
    void layoutIsLittleEndianAtFixedOffsets();
    void writtenParametersReadBack_data();
    void writtenParametersReadBack();
    void cutNeverSplitsACharacter_data();
    void cutNeverSplitsACharacter();
    void hostileBlockReadsSafely_data();
    void hostileBlockReadsSafely();
    void slotsPastTheCountAreNotRead();
};

void TestHandOverBlock::layoutIsLittleEndianAtFixedOffsets() {
    Block block{};
    HandOverBlock::SetNotifyId(block, 0x01020304u);
    HandOverBlock::WriteParameters(block, {"ab", "c"});
    QCOMPARE(std::to_integer<int>(block[0]), 0x04);
    QCOMPARE(std::to_integer<int>(block[3]), 0x01);
    QCOMPARE(std::to_integer<int>(block[4]), 2);
    QCOMPARE(std::to_integer<int>(block[7]), 0);
    QCOMPARE(std::memcmp(block.data() + 8, "ab\0", 3), 0);
    QCOMPARE(std::memcmp(block.data() + 8 + 301, "c\0", 2), 0);
    QCOMPARE(HandOverBlock::NotifyId(block), 0x01020304u);
}

void TestHandOverBlock::writtenParametersReadBack_data() {
    QTest::addColumn<Strings>("written");
    QTest::addColumn<Strings>("read");

    Strings twelve;
    for (int i = 1; i <= 12; ++i)
        twelve.push_back("p" + std::to_string(i));
    const Strings firstTen(twelve.begin(), twelve.begin() + 10);

    QTest::newRow("none") << Strings{} << Strings{};
    QTest::newRow("three in order") << Strings{"c", "a", "b"} << Strings{"c", "a", "b"};
    QTest::newRow("blanks and quotes kept")
        << Strings{" a b ", "\"q\""} << Strings{" a b ", "\"q\""};
    QTest::newRow("empty ones yield nothing") << Strings{"", "x", "", "y"} << Strings{"x", "y"};
    QTest::newRow("twelve arrive as the first ten") << twelve << firstTen;
    QTest::newRow("empties do not use up the ten")
        << Strings{"", "", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"}
        << Strings{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
    QTest::newRow("300 bytes kept whole")
        << Strings{std::string(300, 'a')} << Strings{std::string(300, 'a')};
    QTest::newRow("350 bytes arrive as 300")
        << Strings{std::string(350, 'b')} << Strings{std::string(300, 'b')};
    QTest::newRow("UTF-8 text whole") << Strings{e2 + e3 + e4} << Strings{e2 + e3 + e4};
}

void TestHandOverBlock::writtenParametersReadBack() {
    QFETCH(Strings, written);
    QFETCH(Strings, read);
    Block block{};
    HandOverBlock::WriteParameters(block, written);
    QCOMPARE(toBytes(HandOverBlock::ReadParameters(block)), toBytes(read));
}

void TestHandOverBlock::cutNeverSplitsACharacter_data() {
    QTest::addColumn<std::string>("text");
    QTest::addColumn<int>("keptBytes");

    QTest::newRow("two-byte character across the limit") << std::string(299, 'a') + e2 << 299;
    QTest::newRow("two-byte character ending at the limit")
        << std::string(298, 'a') + e2 + "z" << 300;
    QTest::newRow("three-byte character across the limit") << std::string(298, 'a') + e3 << 298;
    QTest::newRow("four-byte character across the limit")
        << std::string(297, 'a') + e4 + "z" << 297;
    QTest::newRow("four-byte characters only") << [] {
        std::string s;
        for (int i = 0; i < 80; ++i)
            s += e4;
        return s;
    }() << 300;
    QTest::newRow("stray continuation bytes cut at the limit") << std::string(320, '\x80') << 300;
}

void TestHandOverBlock::cutNeverSplitsACharacter() {
    QFETCH(std::string, text);
    QFETCH(int, keptBytes);
    const std::string cut = HandOverBlock::CutParameter(text);
    QCOMPARE(int(cut.size()), keptBytes);
    QCOMPARE(cut, text.substr(0, cut.size()));
}

void TestHandOverBlock::hostileBlockReadsSafely_data() {
    QTest::addColumn<std::int32_t>("count");
    QTest::addColumn<bool>("terminated");
    QTest::addColumn<int>("expectedCount");
    QTest::addColumn<int>("expectedLength");

    QTest::newRow("count 99, unterminated") << 99 << false << 10 << 300;
    QTest::newRow("count 11, terminated") << 11 << true << 10 << 5;
    QTest::newRow("count -1") << -1 << false << 0 << 0;
    QTest::newRow("most negative count") << std::int32_t(INT32_MIN) << false << 0 << 0;
    QTest::newRow("count 3, unterminated") << 3 << false << 3 << 300;
}

void TestHandOverBlock::hostileBlockReadsSafely() {
    QFETCH(std::int32_t, count);
    QFETCH(bool, terminated);
    QFETCH(int, expectedCount);
    QFETCH(int, expectedLength);

    Block block;
    block.fill(std::byte{'x'});
    putU32(block, HandOverBlock::CountOffset, static_cast<std::uint32_t>(count));
    if (terminated) {
        for (std::size_t i = 0; i < HandOverBlock::SlotCount; ++i)
            slot(block, i)[5] = std::byte{0};
    }
    const Strings read = HandOverBlock::ReadParameters(block);
    QCOMPARE(int(read.size()), expectedCount);
    for (const std::string& parameter : read)
        QCOMPARE(int(parameter.size()), expectedLength);
}

void TestHandOverBlock::slotsPastTheCountAreNotRead() {
    Block block{};
    HandOverBlock::WriteParameters(block, {"1", "2", "3", "4"});
    HandOverBlock::WriteParameters(block, {"new"});
    QCOMPARE(toBytes(HandOverBlock::ReadParameters(block)), toBytes({"new"}));
    QCOMPARE(std::memcmp(slot(block, 3), "4\0", 2), 0);
}

QTEST_GUILESS_MAIN(TestHandOverBlock)
#include "tst_handoverblock.moc"
