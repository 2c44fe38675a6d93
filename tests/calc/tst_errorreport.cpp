#include "calc/ErrorReport.h"
#include "calc/Exception.h"

#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <unistd.h>

using namespace vexto;

namespace {

// What the code under `run` writes to standard error.
template <typename Run> QByteArray standardErrorOf(Run run) {
    QTemporaryFile capture;
    if (!capture.open())
        return "capture file not opened";
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(capture.handle(), STDERR_FILENO);
    run();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    capture.seek(0);
    return capture.readAll();
}

} // namespace

class TestErrorReport : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SetErrorReport({}); }

    void installedReportGetsTheErrorAndNothingElse() {
        QByteArray reported;
        SetErrorReport([&reported](const std::exception& error) { reported = error.what(); });
        const QByteArray written = standardErrorOf(
            [] { RunGuarded([] { throw EConvertError("'+' is not a valid value"); }); });
        QCOMPARE(reported, QByteArray("'+' is not a valid value"));
        QCOMPARE(written, QByteArray());
    }

    // Without a report, and when the report itself fails, the message still reaches the user's
    // terminal: an error is never swallowed.
    void errorsFallBackToStandardError_data() {
        QTest::addColumn<bool>("reportThrows");
        QTest::newRow("no report installed") << false;
        QTest::newRow("report fails") << true;
    }
    void errorsFallBackToStandardError() {
        QFETCH(bool, reportThrows);
        if (reportThrows)
            SetErrorReport([](const std::exception&) { throw std::runtime_error("no screen"); });
        const QByteArray written =
            standardErrorOf([] { RunGuarded([] { throw Exception("Disk full"); }); });
        QCOMPARE(written, QByteArray("Disk full\n"));
    }
};

QTEST_GUILESS_MAIN(TestErrorReport)
#include "tst_errorreport.moc"
