#include "app/Application.h"
#include "app/StartupFailure.h"
#include "calc/Exception.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <memory>
#include <new>
#include <stdexcept>

using namespace vexto;

namespace {

// Counts the times the watched widget is hidden.
class HideCounter : public QObject {
public:
    int Hides() const { return m_hides; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide)
            ++m_hides;
        return QObject::eventFilter(watched, event);
    }

private:
    int m_hides = 0;
};

} // namespace

class TestApplication : public QObject {
    Q_OBJECT

private slots:
    void messageGetsFullStopAfterLaterCharacters_data();
    void messageGetsFullStopAfterLaterCharacters();
    void startupFailureNamesClassModuleAndPlace_data();
    void startupFailureNamesClassModuleAndPlace();
    void startupFailureOfAForeignErrorHasNoPlace();
    void errorReportShowsMessageBoxCaptionedWithTitle();
    void errorBoxBlocksTheMainFormAlsoWhenNoWindowIsActive();
    void errorBoxStaysShownWhileTheMainFormTakesTheFocus();
    void terminateBeforeRunEndsAtOnce();
    void restoreBringsBackAMinimisedMainForm();
    void runShowsTheMainFormAsTheProcessWasStarted_data();
    void runShowsTheMainFormAsTheProcessWasStarted();
};

void TestApplication::messageGetsFullStopAfterLaterCharacters_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");

    QTest::newRow("letter") << "'+' is not a valid floating point value"
                            << "'+' is not a valid floating point value.";
    QTest::newRow("full stop already") << "Done."
                                       << "Done.";
    QTest::newRow("exclamation mark is before the full stop")
        << "Drop only one of these components on your form !"
        << "Drop only one of these components on your form !";
    QTest::newRow("closing parenthesis") << "Unable (main.cpp, line 3)"
                                         << "Unable (main.cpp, line 3)";
    QTest::newRow("slash comes after") << "a/"
                                       << "a/.";
    QTest::newRow("digit") << "line 42"
                           << "line 42.";
    QTest::newRow("empty") << ""
                           << "";
}

void TestApplication::messageGetsFullStopAfterLaterCharacters() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(TApplication::MessageText(Exception(message.toStdString())), shown);
}

void TestApplication::startupFailureNamesClassModuleAndPlace_data() {
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shownMessage");

    QTest::newRow("assertion") << "EAssertionFailed"
                               << "Unable to create semaphore"
                               << "Unable to create semaphore.";
    QTest::newRow("general") << "Exception"
                             << "Drop only one of these components on your form !"
                             << "Drop only one of these components on your form !.";
    QTest::newRow("ends with full stop") << "EConvertError"
                                         << "Bad."
                                         << "Bad.";
}

void TestApplication::startupFailureNamesClassModuleAndPlace() {
    QFETCH(QString, className);
    QFETCH(QString, message);
    QFETCH(QString, shownMessage);

    const std::string text = message.toStdString();
    const QString report = className == u"EAssertionFailed"
                               ? StartupFailureText(EAssertionFailed(text))
                           : className == u"EConvertError" ? StartupFailureText(EConvertError(text))
                                                           : StartupFailureText(Exception(text));
    const QRegularExpression format(
        QStringLiteral("^Exception (\\w+) in module (\\S+) at ([0-9A-F]{8})\\.\\r\\n(.*)\\r\\n$"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = format.match(report);
    QVERIFY2(match.hasMatch(), qPrintable(report));
    QCOMPARE(match.captured(1), className);
    // The program file's own name, as the system reports it (with ".exe" on Windows).
    QCOMPARE(match.captured(2), QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    QVERIFY(match.captured(3) != u"00000000");
    QCOMPARE(match.captured(4), shownMessage);
}

// An error that is not one of the program's own has no raise address: the place reads zero.
void TestApplication::startupFailureOfAForeignErrorHasNoPlace() {
    const QString report = StartupFailureText(std::runtime_error("disk full"));
    QVERIFY2(report.startsWith(u"Exception runtime_error in module ") &&
                 report.endsWith(u" at 00000000.\r\ndisk full.\r\n"),
             qPrintable(report));
}

void TestApplication::errorReportShowsMessageBoxCaptionedWithTitle() {
    TApplication application;
    application.SetTitle(QStringLiteral("Vexto"));
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        box->accept();
    });
    application.ShowException(EConvertError("'+' is not a valid floating point value"));
    QCOMPARE(caption, QStringLiteral("Vexto"));
    QCOMPARE(text, QStringLiteral("'+' is not a valid floating point value."));
    QCOMPARE(icon, QMessageBox::Critical);
}

void TestApplication::errorBoxBlocksTheMainFormAlsoWhenNoWindowIsActive() {
    TApplication application;
    application.AdoptMainForm(std::make_unique<QWidget>());
    QVERIFY(!QApplication::activeWindow());
    QWidget* parent = nullptr;
    Qt::WindowModality modality = Qt::NonModal;
    QTimer::singleShot(0, this, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            parent = box->parentWidget();
            modality = box->windowModality();
            box->close();
        }
    });
    application.ShowException(EConvertError("'+' is not a valid floating point value"));
    QCOMPARE(parent, application.MainForm());
    QCOMPARE(modality, Qt::WindowModal);
}

// Only under Wayland is the box shown anew over the window it blocks; a window manager keeps it
// there, and hiding it would only make it flicker.
void TestApplication::errorBoxStaysShownWhileTheMainFormTakesTheFocus() {
    TApplication application;
    application.AdoptMainForm(std::make_unique<QWidget>());
    QWidget* form = application.MainForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    HideCounter counter;
    bool formHadTheFocus = false;
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, &counter, [&](const QWindow* focus) {
        formHadTheFocus = formHadTheFocus || focus == form->windowHandle();
    });
    int hidesWhileOpen = -1;
    QTimer::singleShot(0, this, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || !QTest::qWaitFor([box] { return box->windowHandle()->isActive(); }))
            return;
        formHadTheFocus = false;
        box->installEventFilter(&counter);
        form->activateWindow();
        if (QTest::qWaitFor([&formHadTheFocus] { return formHadTheFocus; }))
            hidesWhileOpen = counter.Hides();
        box->close();
    });
    application.ShowException(EConvertError("'+' is not a valid floating point value"));
    QVERIFY(formHadTheFocus);
    QCOMPARE(hidesWhileOpen, 0);
}

void TestApplication::terminateBeforeRunEndsAtOnce() {
    TApplication application;
    auto form = std::make_unique<QWidget>();
    QWidget* shown = form.get();
    application.AdoptMainForm(std::move(form));
    application.SetShowMainForm(false);
    application.Terminate();
    QCOMPARE(application.Run(), 0);
    QVERIFY(!shown->isVisible());
}

void TestApplication::restoreBringsBackAMinimisedMainForm() {
    TApplication application;
    application.AdoptMainForm(std::make_unique<QWidget>());
    QWidget* form = application.MainForm();
    form->showMinimized();
    QTRY_VERIFY(form->isMinimized());
    application.Restore();
    QTRY_VERIFY(!form->isMinimized());
    QVERIFY(form->isVisible());
}

void TestApplication::runShowsTheMainFormAsTheProcessWasStarted_data() {
    QTest::addColumn<StartupShow>("show");
    QTest::addColumn<Qt::WindowStates>("state");
    QTest::newRow("normal") << StartupShow::Normal << Qt::WindowStates(Qt::WindowNoState);
    QTest::newRow("maximised") << StartupShow::Maximized << Qt::WindowStates(Qt::WindowMaximized);
    QTest::newRow("minimised without activation")
        << StartupShow::MinimizedWithoutActivation << Qt::WindowStates(Qt::WindowMinimized);
}

void TestApplication::runShowsTheMainFormAsTheProcessWasStarted() {
    QFETCH(StartupShow, show);
    QFETCH(Qt::WindowStates, state);
    TApplication application;
    application.AdoptMainForm(std::make_unique<QWidget>());
    QWidget* form = application.MainForm();
    application.SetStartupShow(show);
    Qt::WindowStates shownState;
    bool shown = false;
    QTimer::singleShot(0, form, [&] {
        shown = form->isVisible();
        shownState = form->windowState();
        application.Terminate();
    });
    QCOMPARE(application.Run(), 0);
    QVERIFY(shown);
    QCOMPARE(shownState, state);
}

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
