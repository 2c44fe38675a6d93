#include "app/desktop/ClientTitleBar.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

class TestClientTitleBar : public QObject {
    Q_OBJECT

private slots:
    // The window, fixed in size, grows by the bar; what it held keeps its place below the bar.
    void barGoesAboveTheContent() {
        QWidget window;
        window.setFixedSize(578, 457);
        auto* button = new QPushButton(&window);
        button->setGeometry(488, 424, 81, 25);

        const auto* bar = new vexto::ClientTitleBar(window);
        const int barHeight = bar->height();
        QVERIFY2(barHeight >= 24, "no room for a 16-pixel icon with a margin");
        QCOMPARE(bar->geometry(), QRect(0, 0, 578, barHeight));
        QCOMPARE(window.minimumSize(), QSize(578, 457 + barHeight));
        QCOMPARE(window.maximumSize(), QSize(578, 457 + barHeight));
        QCOMPARE(button->geometry(), QRect(488, 424 + barHeight, 81, 25));
        QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
    }
};

QTEST_MAIN(TestClientTitleBar)
#include "tst_clienttitlebar.moc"
