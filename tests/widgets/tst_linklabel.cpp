#include "widgets/LinkLabel.h"
#include "widgets/WidgetAccessibility.h"

#include "UrlRecorder.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTest>
#include <QToolTip>
#include <QUrl>

using namespace vexto;

class TestLinkLabel : public QObject {
    Q_OBJECT

private slots:
    void init();

    void pressOpensPrefixedTarget_data();
    void pressOpensPrefixedTarget();
    void hyperLinkFillsOnlyAnEmptyCaption();
    void linkTypeChangesTargetButNotCaption();
    void onlyTheLeftButtonOpensAndOnlyOncePerDoubleClick();
    void pressesOfAQuickSeriesOpenOnEveryOtherPress_data();
    void pressesOfAQuickSeriesOpenOnEveryOtherPress();
    void opensOnPressEvenWhenReleasedElsewhere();
    void looksLikeALinkAndNeverTakesTheFocus();
    void screenReadersSeeALinkNamedByItsAddressThatOpens();
    void tooltipShowsAfterTheRestPauseAndHidesAfterItsTime();

private:
    UrlRecorder m_recorder{{u"file"_qs, u"ftp"_qs, u"gopher"_qs, u"http"_qs, u"https"_qs,
                            u"mailto"_qs, u"news"_qs, u"telnet"_qs, u"wais"_qs}};
};

void TestLinkLabel::init() {
    m_recorder.opened.clear();
}

void TestLinkLabel::pressOpensPrefixedTarget_data() {
    QTest::addColumn<int>("linkType");
    QTest::addColumn<QString>("hyperLink");
    QTest::addColumn<QString>("expected");

    QTest::newRow("web site") << int(tLinkType::lthttp) << u"www.vexto.example"_qs
                              << u"http://www.vexto.example"_qs;
    QTest::newRow("mail") << int(tLinkType::ltmailto) << u"maker@vexto.example"_qs
                          << u"mailto:maker@vexto.example"_qs;
    QTest::newRow("secure web") << int(tLinkType::lthttps) << u"vexto.example/download"_qs
                                << u"https://vexto.example/download"_qs;
    QTest::newRow("ftp") << int(tLinkType::ltftp) << u"ftp.vexto.example"_qs
                         << u"ftp://ftp.vexto.example"_qs;
    QTest::newRow("news") << int(tLinkType::ltnews) << u"comp.graphics"_qs
                          << u"news:comp.graphics"_qs;
    QTest::newRow("empty target gives bare prefix")
        << int(tLinkType::lthttp) << QString() << u"http://"_qs;
}

void TestLinkLabel::pressOpensPrefixedTarget() {
    QFETCH(int, linkType);
    QFETCH(QString, hyperLink);
    QFETCH(QString, expected);

    TLinkLabel label;
    label.SetLinkType(static_cast<tLinkType>(linkType));
    label.SetHyperLink(hyperLink);
    QCOMPARE(label.Address(), expected);
    label.resize(80, 13);
    QTest::mousePress(&label, Qt::LeftButton);
    QCOMPARE(m_recorder.opened.size(), 1);
    // QUrl normalises what it is given; the address itself went over unchanged.
    QCOMPARE(QUrl(m_recorder.opened.front()), QUrl(expected, QUrl::TolerantMode));
}

void TestLinkLabel::hyperLinkFillsOnlyAnEmptyCaption() {
    TLinkLabel empty;
    empty.SetHyperLink(u"www.vexto.example"_qs);
    QCOMPARE(empty.text(), u"www.vexto.example"_qs);

    TLinkLabel captioned;
    captioned.setText(u"http://www.vexto.example"_qs);
    captioned.SetHyperLink(u"elsewhere.example"_qs);
    QCOMPARE(captioned.text(), u"http://www.vexto.example"_qs);
}

void TestLinkLabel::linkTypeChangesTargetButNotCaption() {
    TLinkLabel label;
    label.SetHyperLink(u"maker@vexto.example"_qs);
    label.SetLinkType(tLinkType::ltmailto);
    QCOMPARE(label.text(), u"maker@vexto.example"_qs);
    QTest::mousePress(&label, Qt::LeftButton);
    QCOMPARE(m_recorder.opened, QStringList{u"mailto:maker@vexto.example"_qs});
}

void TestLinkLabel::onlyTheLeftButtonOpensAndOnlyOncePerDoubleClick() {
    TLinkLabel label;
    label.SetHyperLink(u"www.vexto.example"_qs);
    QTest::mouseClick(&label, Qt::RightButton);
    QTest::mouseClick(&label, Qt::MiddleButton);
    QCOMPARE(m_recorder.opened.size(), 0);

    QTest::mouseDClick(&label, Qt::LeftButton);
    QCOMPARE(m_recorder.opened.size(), 1);
}

void TestLinkLabel::pressesOfAQuickSeriesOpenOnEveryOtherPress_data() {
    QTest::addColumn<int>("presses");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<int>("stepPx"); // how far each press is from the one before
    QTest::addColumn<int>("opened");
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    const int distance = QGuiApplication::styleHints()->mouseDoubleClickDistance();
    // The second press of a double click is a double click, not a press; the third starts anew.
    QTest::newRow("double click") << 2 << 100 << 0 << 1;
    QTest::newRow("triple click") << 3 << 100 << 0 << 2;
    QTest::newRow("four quick presses") << 4 << 100 << 0 << 2;
    QTest::newRow("two slow presses") << 2 << interval + 100 << 0 << 2;
    QTest::newRow("double click as far apart as allowed") << 2 << 100 << distance << 1;
    QTest::newRow("two quick presses too far apart") << 2 << 100 << distance + 1 << 2;
}

// Events with set times, as the window system delivers a quick series of presses.
void TestLinkLabel::pressesOfAQuickSeriesOpenOnEveryOtherPress() {
    QFETCH(int, presses);
    QFETCH(int, gapMs);
    QFETCH(int, stepPx);
    QFETCH(int, opened);
    TLinkLabel label;
    label.SetHyperLink(u"www.vexto.example"_qs);
    label.resize(80, 13);
    QPointF inside(5, 5);
    quint64 time = 1'000'000;
    for (int press = 0; press < presses; ++press, time += quint64(gapMs), inside.rx() += stepPx) {
        QMouseEvent down(QEvent::MouseButtonPress, inside, label.mapToGlobal(inside),
                         Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        down.setTimestamp(time);
        QApplication::sendEvent(&label, &down);
        QMouseEvent up(QEvent::MouseButtonRelease, inside, label.mapToGlobal(inside),
                       Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        up.setTimestamp(time + 10);
        QApplication::sendEvent(&label, &up);
    }
    QCOMPARE(m_recorder.opened.size(), opened);
}

void TestLinkLabel::opensOnPressEvenWhenReleasedElsewhere() {
    TLinkLabel label;
    label.SetHyperLink(u"www.vexto.example"_qs);
    label.resize(80, 13);
    QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(m_recorder.opened.size(), 1);
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(300, 300));
    QCOMPARE(m_recorder.opened.size(), 1);
}

void TestLinkLabel::looksLikeALinkAndNeverTakesTheFocus() {
    TLinkLabel label;
    QCOMPARE(label.palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QVERIFY(label.font().underline());
    QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(label.focusPolicy(), Qt::NoFocus);
}

// A screen reader finds a link named after the address it opens, and its press action opens it.
void TestLinkLabel::screenReadersSeeALinkNamedByItsAddressThatOpens() {
    InstallWidgetAccessibility();
    TLinkLabel label;
    label.setText(u"Download"_qs); // the name is the address, not the caption
    label.SetLinkType(tLinkType::lthttps);
    label.SetHyperLink(u"vexto.example"_qs);
    QAccessibleInterface* link = QAccessible::queryAccessibleInterface(&label);
    QVERIFY(link);
    QCOMPARE(link->role(), QAccessible::Link);
    QCOMPARE(link->text(QAccessible::Name), u"https://vexto.example"_qs);
    label.setAccessibleName(u"Maker's website"_qs);
    QCOMPARE(link->text(QAccessible::Name), u"Maker's website"_qs);

    // Only the link is one: a plain label beside it stays static text.
    QLabel plain(u"Download"_qs);
    QCOMPARE(QAccessible::queryAccessibleInterface(&plain)->role(), QAccessible::StaticText);

    QAccessibleActionInterface* actions = link->actionInterface();
    QVERIFY(actions);
    actions->doAction(QAccessibleActionInterface::showMenuAction());
    QVERIFY(m_recorder.opened.isEmpty());
    actions->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(m_recorder.opened, QStringList{u"https://vexto.example"_qs});
}

namespace {

// Notes when the application's tooltip window shows and hides, timed from its construction.
class TooltipWatch : public QObject {
public:
    TooltipWatch() {
        m_clock.start();
        qApp->installEventFilter(this);
    }
    ~TooltipWatch() override { qApp->removeEventFilter(this); }

    qint64 lastMoveAt = -1; // as the label sees the move, not as the pointer is put
    qint64 shownAt = -1;
    qint64 hiddenAt = -1;
    int shows = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseMove && shows == 0 &&
            watched->inherits("vexto::TLinkLabel"))
            lastMoveAt = m_clock.elapsed();
        if (watched->inherits("QTipLabel")) {
            if (event->type() == QEvent::Show && shows++ == 0)
                shownAt = m_clock.elapsed();
            else if (event->type() == QEvent::Hide && shownAt >= 0 && hiddenAt < 0)
                hiddenAt = m_clock.elapsed();
        }
        return false;
    }

private:
    QElapsedTimer m_clock;
};

} // namespace

// Qt's own tooltip would show about 700 ms after the last move and stay about 10 s. The bounds
// leave room for a loaded machine: the show may come late, and Qt's hide timer, started just
// before the show, may fire up to 5% early.
void TestLinkLabel::tooltipShowsAfterTheRestPauseAndHidesAfterItsTime() {
    if (QGuiApplication::platformName() == u"offscreen"_qs)
        QSKIP("the headless platform sends a fresh enter whenever the tooltip hides");
    QWidget window;
    window.setGeometry(100, 100, 240, 80);
    auto* label = new TLinkLabel(&window);
    label->setText(u"http://vx.example"_qs);
    label->setToolTip(u"Click here to go to the website"_qs);
    label->move(20, 20);
    label->adjustSize();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    TooltipWatch watch;
    QCursor::setPos(label->mapToGlobal(QPoint(5, 5)));
    QTRY_VERIFY(label->underMouse());
    // A move before the tooltip shows starts the pause again.
    QTest::qWait(200);
    QCursor::setPos(label->mapToGlobal(QPoint(8, 5)));
    QTRY_VERIFY_WITH_TIMEOUT(watch.shownAt >= 0, 2000);
    QCOMPARE(QToolTip::text(), u"Click here to go to the website"_qs);
    QVERIFY(watch.lastMoveAt >= 200);
    const qint64 shownAfter = watch.shownAt - watch.lastMoveAt;
    QVERIFY2(shownAfter >= 500 && shownAfter < 1000, qPrintable(QString::number(shownAfter)));
    QTRY_VERIFY_WITH_TIMEOUT(watch.hiddenAt >= 0, 6000);
    const qint64 shownFor = watch.hiddenAt - watch.shownAt;
    qInfo("tooltip shown %lld ms after the last move, for %lld ms", shownAfter, shownFor);
    QVERIFY2(shownFor >= 2250 && shownFor < 4000, qPrintable(QString::number(shownFor)));

    // Once per visit: resting on does not bring it back, nor does a visit that ends in a press.
    QTest::qWait(TLinkLabel::HintPauseMs + 100);
    QCOMPARE(watch.shows, 1);
    QCursor::setPos(window.mapToGlobal(QPoint(2, 2)));
    QTRY_VERIFY(!label->underMouse());
    QCursor::setPos(label->mapToGlobal(QPoint(6, 6)));
    QTRY_VERIFY(label->underMouse());
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(6, 6));
    QTest::qWait(TLinkLabel::HintPauseMs + 100);
    QCOMPARE(watch.shows, 1);
}

QTEST_MAIN(TestLinkLabel)
#include "tst_linklabel.moc"
