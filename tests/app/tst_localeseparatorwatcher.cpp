#include "app/LocaleSeparatorWatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLocale>
#include <QTest>

using namespace vexto;

class TestLocaleSeparatorWatcher : public QObject {
    Q_OBJECT

private slots:
    void takesSingleCharacterSeparators_data();
    void takesSingleCharacterSeparators();
    void readsAtOnceAndRereadsOnLocaleChangeNotice();
};

void TestLocaleSeparatorWatcher::takesSingleCharacterSeparators_data() {
    QTest::addColumn<QString>("localeName");
    QTest::addColumn<char>("decimal");
    QTest::addColumn<char>("thousands");

    QTest::newRow("English") << "en_US" << '.' << ',';
    QTest::newRow("German") << "de_DE" << ',' << '.';
    // A narrow no-break space is not an 8-bit character: the thousands separator falls back.
    QTest::newRow("French") << "fr_FR" << ',' << ',';
    // A right single quotation mark likewise.
    QTest::newRow("Swiss German") << "de_CH" << '.' << ',';
    // The Arabic decimal separator is not 8-bit either.
    QTest::newRow("Arabic (Egypt)") << "ar_EG" << '.' << ',';
}

void TestLocaleSeparatorWatcher::takesSingleCharacterSeparators() {
    QFETCH(QString, localeName);
    QFETCH(char, decimal);
    QFETCH(char, thousands);
    QCOMPARE(SeparatorsOf(QLocale(localeName)), (NumberSeparators{decimal, thousands}));
}

void TestLocaleSeparatorWatcher::readsAtOnceAndRereadsOnLocaleChangeNotice() {
    SetCurrentSeparators({'#', '#'});
    const LocaleSeparatorWatcher watcher;
    const NumberSeparators system = SeparatorsOf(QLocale::system());
    QCOMPARE(CurrentSeparators(), system);

    SetCurrentSeparators({'#', '#'});
    QEvent notice(QEvent::LocaleChange);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &notice);
    QCOMPARE(CurrentSeparators(), system);
}

QTEST_GUILESS_MAIN(TestLocaleSeparatorWatcher)
#include "tst_localeseparatorwatcher.moc"
