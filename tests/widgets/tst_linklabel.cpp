#include "widgets/LinkLabel.h"

#include "UrlRecorder.h"

#include <QApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTest>
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
    void neverTakesTheFocus();

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
    QTest::addColumn<int>("opened");
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    // The second press of a double click is a double click, not a press; the third starts anew.
    QTest::newRow("double click") << 2 << 100 << 1;
    QTest::newRow("triple click") << 3 << 100 << 2;
    QTest::newRow("four quick presses") << 4 << 100 << 2;
    QTest::newRow("two slow presses") << 2 << interval + 100 << 2;
}

// Events with set times, as the window system delivers a quick series of presses.
void TestLinkLabel::pressesOfAQuickSeriesOpenOnEveryOtherPress() {
    QFETCH(int, presses);
    QFETCH(int, gapMs);
    QFETCH(int, opened);
    TLinkLabel label;
    label.SetHyperLink(u"www.vexto.example"_qs);
    label.resize(80, 13);
    const QPointF inside(5, 5);
    quint64 time = 1'000'000;
    for (int press = 0; press < presses; ++press, time += quint64(gapMs)) {
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

void TestLinkLabel::neverTakesTheFocus() {
    TLinkLabel label;
    QCOMPARE(label.focusPolicy(), Qt::NoFocus);
    QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
}

QTEST_MAIN(TestLinkLabel)
#include "tst_linklabel.moc"
