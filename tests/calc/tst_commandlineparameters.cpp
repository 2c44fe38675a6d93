#include "calc/CommandLineParameters.h"

#include <QStringList>
#include <QTest>

using namespace vexto;

class TestCommandLineParameters : public QObject {
    Q_OBJECT

private slots:
    void splitsAsTheSystemsProgramsExpect_data();
    void splitsAsTheSystemsProgramsExpect();
};

void TestCommandLineParameters::splitsAsTheSystemsProgramsExpect_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QStringList>("parameters");
    const QString program = QStringLiteral(R"("C:\Program Files\Vexto\vexto.exe")");
    const auto row = [&](const char* name, const QString& rest, const QStringList& parameters) {
        QTest::newRow(name) << program + rest << parameters;
    };
    row("no parameters", {}, {});
    row("trailing blanks", QStringLiteral("   "), {});
    row("words", QStringLiteral(" a  bc"), {QStringLiteral("a"), QStringLiteral("bc")});
    row("tabs and control characters separate", QStringLiteral("\ta\x01" "b\x1f" "c"),
        {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    row("quoted blanks belong to the word", QStringLiteral(R"( "b c"  d" "e)"),
        {QStringLiteral("b c"), QStringLiteral("d e")});
    row("an empty pair is no parameter", QStringLiteral(R"( a "" b """" "")"),
        {QStringLiteral("a"), QStringLiteral("b")});
    row("a quoted blank is one", QStringLiteral(R"( " ")"), {QStringLiteral(" ")});
    row("quotes inside a word are dropped", QStringLiteral(R"( a""b x"y")"),
        {QStringLiteral("ab"), QStringLiteral("xy")});
    row("a backslash does not escape", QStringLiteral(R"( "C:\dir\" \"q)"),
        {QStringLiteral(R"(C:\dir\)"), QStringLiteral(R"(\q)")});
    row("an open quote runs to the end", QStringLiteral(R"( "a b)"), {QStringLiteral("a b")});
    row("characters above 32 join words", QStringLiteral(" !x\u00a0\u00e9"),
        {QStringLiteral("!x\u00a0\u00e9")});
    QTest::newRow("an unquoted program path") << QStringLiteral("vexto.exe a") << QStringList{
        QStringLiteral("a")};
    QTest::newRow("an empty pair before the program path")
        << QStringLiteral(R"("" vexto.exe a)") << QStringList{QStringLiteral("a")};
}

void TestCommandLineParameters::splitsAsTheSystemsProgramsExpect() {
    QFETCH(QString, commandLine);
    QFETCH(QStringList, parameters);
    QStringList split;
    for (const std::u16string& parameter : CommandLineParameters(commandLine.toStdU16String()))
        split << QString::fromStdU16String(parameter);
    QCOMPARE(split, parameters);
}

QTEST_APPLESS_MAIN(TestCommandLineParameters)
#include "tst_commandlineparameters.moc"
