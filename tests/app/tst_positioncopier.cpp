#include "app/Application.h"
#include "app/Form1.h"
#include "calc/ErrorReport.h"
#include "calc/FloatingPointMode.h"
#include "calc/LocaleSeparators.h"
#include "widgets/CurrEdit.h"
#include "widgets/VxPanel.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFile>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace vexto;

namespace {

// X -1234,5, Y 20,25, S 2,5, L 4 and W 1 typed in a German locale give steps of 10 in x and 2.5
// in y; the texts the cells then show, worked by hand, columns left to right and rows top down.
const char* const shownX[7] = {"-1264,50", "-1254,50", "-1244,50", "-1234,50",
                               "-1224,50", "-1214,50", "-1204,50"};
const char* const shownY[7] = {"27,75", "25,25", "22,75", "20,25", "17,75", "15,25", "12,75"};

// The copied table: a header, then the cells as the window lays them out, top row first.
QString expectedTable() {
    const QStringList grid = QStringLiteral("LU9 LU8 LU7 U3 RU7 RU8 RU9 LU6 LU5 LU4 U2 RU4 RU5 RU6 "
                                            "LU3 LU2 LU1 U1 RU1 RU2 RU3 L3 L2 L1 PStart R1 R2 R3 "
                                            "LD3 LD2 LD1 D1 RD1 RD2 RD3 LD6 LD5 LD4 D2 RD4 RD5 RD6 "
                                            "LD9 LD8 LD7 D3 RD7 RD8 RD9")
                                 .split(u' ');
    QString table = QStringLiteral("Cell\tX\tY\n");
    for (int row = 0; row < 7; ++row)
        for (int column = 0; column < 7; ++column)
            table += QStringLiteral("%1\t%2\t%3\n")
                         .arg(grid[7 * row + column], QLatin1StringView(shownX[column]),
                              QLatin1StringView(shownY[row]));
    return table;
}

QMenu* openMenu() {
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

} // namespace

class TestPositionCopier : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void copiesWhatTheCellsShow_data();
    void copiesWhatTheCellsShow();
    void clickOnACellLeavesTheFieldBeingEdited_data();
    void clickOnACellLeavesTheFieldBeingEdited();
    void contextMenuKeyAwayFromTheCellsOpensTheFieldsOwnMenu();

private:
    TVxPanel* cell(const QString& name) const { return m_form->findChild<TVxPanel*>(name); }
    TCurrencyEdit* field(const char* name) const {
        return m_form->findChild<TCurrencyEdit*>(QString::fromLatin1(name));
    }
    void type(const char* fieldName, const char* text);
    void click(Qt::MouseButton button, const QString& cellName);
    void pressMenuKeyPointingAt(QPoint windowPosition);

    QTemporaryDir m_runtimeDirectory;
    std::unique_ptr<TApplication> m_application;
    std::unique_ptr<TForm1> m_form;
};

void TestPositionCopier::init() {
    SetFloatingPointMode();
    QVERIFY(m_runtimeDirectory.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtimeDirectory.path()));
    SetCurrentSeparators({',', '.'}); // de_DE
    SetErrorReport([](const std::exception& error) { QFAIL(error.what()); });
    TCustomNumEdit::SetBeepHandler([] {});
    m_application = std::make_unique<TApplication>();
    m_form = std::make_unique<TForm1>(*m_application);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QGuiApplication::clipboard()->clear();
    for (const auto& [name, text] :
         {std::pair{"X", "-1234,5"}, {"Y", "20,25"}, {"S", "2,5"}, {"L", "4"}, {"W", "1"}})
        type(name, text);
}

void TestPositionCopier::cleanup() {
    m_form.reset();
    m_application.reset();
    SetErrorReport(nullptr);
    TCustomNumEdit::SetBeepHandler(nullptr);
    SetCurrentSeparators({});
}

void TestPositionCopier::type(const char* fieldName, const char* text) {
    TCurrencyEdit* input = field(fieldName);
    input->setFocus();
    QTRY_VERIFY(input->hasFocus());
    input->selectAll();
    QTest::keyClicks(input, QString::fromLatin1(text));
}

// Through the window, where Qt turns a right click into a context-menu request.
void TestPositionCopier::click(Qt::MouseButton button, const QString& cellName) {
    const TVxPanel* panel = cell(cellName);
    QTest::mouseClick(m_form->windowHandle(), button, {},
                      panel->mapTo(m_form.get(), panel->rect().center()));
}

// The platform sends the key's menu request to the focused field, as Qt does on X11.
void TestPositionCopier::pressMenuKeyPointingAt(QPoint windowPosition) {
    const QPoint pointer = m_form->mapToGlobal(windowPosition);
    QCursor::setPos(pointer);
    QTRY_COMPARE(QCursor::pos(), pointer);
    QWidget* focused = QApplication::focusWidget();
    QContextMenuEvent request(QContextMenuEvent::Keyboard, {}, focused->mapToGlobal(QPoint()));
    QApplication::sendEvent(focused, &request);
    QTRY_VERIFY(openMenu());
}

void TestPositionCopier::copiesWhatTheCellsShow_data() {
    QTest::addColumn<QString>("cellName"); // none: Ctrl+Shift+C in a field
    QTest::addColumn<bool>("byMenuKey");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("copied");

    const QString table = expectedTable();
    QTest::newRow("X of a far corner") << "LU9" << false << "Copy X"
                                       << "-1264,50";
    QTest::newRow("Y of the start cell") << "PStart" << false << "Copy Y"
                                         << "20,25";
    QTest::newRow("menu key, X and Y") << "RD9" << true << "Copy X and Y"
                                       << "-1204,50\t12,75";
    QTest::newRow("all positions from a cell") << "D2" << false << "Copy all positions" << table;
    QTest::newRow("Ctrl+Shift+C in a field") << "" << false << "" << table;
}

void TestPositionCopier::copiesWhatTheCellsShow() {
    QFETCH(QString, cellName);
    QFETCH(bool, byMenuKey);
    QFETCH(QString, item);
    QFETCH(QString, copied);
    QSignalSpy clipboardWrites(QGuiApplication::clipboard(), &QClipboard::dataChanged);

    if (cellName.isEmpty()) {
        QTest::keyClick(field("W"), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(field("W")->text(), QStringLiteral("1")); // the field did not take the key
    } else {
        const TVxPanel* panel = cell(cellName);
        const QPoint pointer = panel->mapTo(m_form.get(), panel->rect().center());
        if (byMenuKey)
            pressMenuKeyPointingAt(pointer);
        else
            click(Qt::RightButton, cellName);
        QTRY_VERIFY(openMenu());
        // At the pointer on the screen, not at the pointer's place within the cell; pushed left
        // only as far as the screen's edge needs.
        const QPoint onScreen = m_form->mapToGlobal(pointer);
        const QRect menu = openMenu()->geometry();
        const int screenRight = m_form->screen()->availableGeometry().right();
        QCOMPARE(menu.top(), onScreen.y());
        QCOMPARE(menu.left(), std::min(onScreen.x(), screenRight + 1 - menu.width()));
        QStringList items; // a separator reads as an empty item
        for (const QAction* action : openMenu()->actions())
            items << action->text().section(u'\t', 0, 0);
        QCOMPARE(items.join(u'|'),
                 QStringLiteral("Copy X|Copy Y|Copy X and Y||Copy all positions"));
        openMenu()->setActiveAction(openMenu()->actions().at(items.indexOf(item)));
        QTest::keyClick(openMenu(), Qt::Key_Return);
    }
    QTRY_COMPARE(QGuiApplication::clipboard()->text(), copied);
    QCOMPARE(clipboardWrites.size(), 1);
    if (QGuiApplication::clipboard()->supportsSelection())
        QCOMPARE(QGuiApplication::clipboard()->text(QClipboard::Selection), copied);
}

void TestPositionCopier::clickOnACellLeavesTheFieldBeingEdited_data() {
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left click does nothing") << Qt::LeftButton;
    QTest::newRow("right click opens a popup") << Qt::RightButton;
}

void TestPositionCopier::clickOnACellLeavesTheFieldBeingEdited() {
    QFETCH(Qt::MouseButton, button);
    TCurrencyEdit* x = field("X");
    type("X", "12,5");
    x->setCursorPosition(2);
    const QString ru3 = QStringLiteral("RU3");
    const QString shown = cell(ru3)->Caption();

    click(button, ru3);
    if (button == Qt::RightButton) {
        QTRY_VERIFY(openMenu());
        QCOMPARE(QApplication::focusWidget(), x);
        QCOMPARE(x->text(), QStringLiteral("12,5")); // the edit text, not the display "12,50"
        QTest::keyClick(openMenu(), Qt::Key_Escape);
    }
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
    QTRY_VERIFY(x->hasFocus());
    QCOMPARE(cell(ru3)->Caption(), shown);
    QCOMPARE(x->cursorPosition(), 2);
    QTest::keyClicks(x, QStringLiteral("3"));
    QCOMPARE(x->text(), QStringLiteral("123,5"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
}

void TestPositionCopier::contextMenuKeyAwayFromTheCellsOpensTheFieldsOwnMenu() {
    pressMenuKeyPointingAt(QPoint(300, 248)); // just below the grid
    QStringList items;
    for (const QAction* action : openMenu()->actions())
        items << action->text();
    QVERIFY2(!items.join(u'|').contains(u"Copy X"), qPrintable(items.join(u'|')));
    QVERIFY(!items.isEmpty());
}

QTEST_MAIN(TestPositionCopier)
#include "tst_positioncopier.moc"
