#include "calc/Exception.h"

#include <QTest>

#include <cstdint>

using namespace vexto;

namespace {

using Raiser = std::uintptr_t (*)();

std::uintptr_t addressOf(Raiser raiser) {
    return reinterpret_cast<std::uintptr_t>(raiser);
}

[[gnu::noinline]] std::uintptr_t raisedInFirst() {
    return reinterpret_cast<std::uintptr_t>(Exception("first").RaiseAddress());
}

[[gnu::noinline]] std::uintptr_t raisedInSecond() {
    return reinterpret_cast<std::uintptr_t>(Exception("second").RaiseAddress());
}

// One call site for both: an address taken a frame too far out would be the same for both.
[[gnu::noinline]] std::uintptr_t raiseThrough(Raiser raiser) {
    return raiser();
}

} // namespace

class TestException : public QObject {
    Q_OBJECT

private slots:
    // The start-up failure report names where the error was raised: inside the raising code.
    void notesTheAddressOfTheCodeThatRaisedIt() {
        const std::uintptr_t first = raiseThrough(raisedInFirst);
        const std::uintptr_t second = raiseThrough(raisedInSecond);
        QVERIFY(first != second);
        QVERIFY(first > addressOf(raisedInFirst) && first - addressOf(raisedInFirst) < 4096);
        QVERIFY(second > addressOf(raisedInSecond) && second - addressOf(raisedInSecond) < 4096);
    }
};

QTEST_GUILESS_MAIN(TestException)
#include "tst_exception.moc"
