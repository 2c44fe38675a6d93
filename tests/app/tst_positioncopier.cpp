#include "app/Application.h"
#include "app/Form1.h"
#include "calc/CellName.h"
#include "calc/ErrorReport.h"
#include "calc/FloatingPointMode.h"
#include "calc/LocaleSeparators.h"
#include "widgets/CurrEdit.h"
#include "widgets/VxPanel.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace vexto;

namespace {

// With X -1234.5, Y 20.25, S 2.5, L 4 and W 1 the steps are 10 in x and 2.5 in y: x is
// -1234.5 + 10 * column and y is 20.25 + 2.5 * row, written here in a German locale.
const char* const typedX = "-1234,5";
const char* const typedY = "20,25";
const char* const typedS = "2,5";
const char* const typedL = "4";
const char* const typedW = "1";

// The screen grid, top row first, with each cell's x and y as worked by hand from the inputs.
struct ExpectedCell {
    const char* name;
    const char* x;
    const char* y;
};
const ExpectedCell expectedGrid[49] = {
    {"LU9", "-1264,50", "27,75"},    {"LU8", "-1254,50", "27,75"}, {"LU7", "-1244,50", "27,75"},
    {"U3", "-1234,50", "27,75"},     {"RU7", "-1224,50", "27,75"}, {"RU8", "-1214,50", "27,75"},
    {"RU9", "-1204,50", "27,75"},    {"LU6", "-1264,50", "25,25"}, {"LU5", "-1254,50", "25,25"},
    {"LU4", "-1244,50", "25,25"},    {"U2", "-1234,50", "25,25"},  {"RU4", "-1224,50", "25,25"},
    {"RU5", "-1214,50", "25,25"},    {"RU6", "-1204,50", "25,25"}, {"LU3", "-1264,50", "22,75"},
    {"LU2", "-1254,50", "22,75"},    {"LU1", "-1244,50", "22,75"}, {"U1", "-1234,50", "22,75"},
    {"RU1", "-1224,50", "22,75"},    {"RU2", "-1214,50", "22,75"}, {"RU3", "-1204,50", "22,75"},
    {"L3", "-1264,50", "20,25"},     {"L2", "-1254,50", "20,25"},  {"L1", "-1244,50", "20,25"},
    {"PStart", "-1234,50", "20,25"}, {"R1", "-1224,50", "20,25"},  {"R2", "-1214,50", "20,25"},
    {"R3", "-1204,50", "20,25"},     {"LD3", "-1264,50", "17,75"}, {"LD2", "-1254,50", "17,75"},
    {"LD1", "-1244,50", "17,75"},    {"D1", "-1234,50", "17,75"},  {"RD1", "-1224,50", "17,75"},
    {"RD2", "-1214,50", "17,75"},    {"RD3", "-1204,50", "17,75"}, {"LD6", "-1264,50", "15,25"},
    {"LD5", "-1254,50", "15,25"},    {"LD4", "-1244,50", "15,25"}, {"D2", "-1234,50", "15,25"},
    {"RD4", "-1224,50", "15,25"},    {"RD5", "-1214,50", "15,25"}, {"RD6", "-1204,50", "15,25"},
    {"LD9", "-1264,50", "12,75"},    {"LD8", "-1254,50", "12,75"}, {"LD7", "-1244,50", "12,75"},
    {"D3", "-1234,50", "12,75"},     {"RD7", "-1224,50", "12,75"}, {"RD8", "-1214,50", "12,75"},
    {"RD9", "-1204,50", "12,75"},
};

QString expectedTable() {
    QString table = QStringLiteral("Cell\tX\tY\n");
    for (const ExpectedCell& cell : expectedGrid)
        table += QStringLiteral("%1\t%2\t%3\n")
                     .arg(QLatin1StringView(cell.name), QLatin1StringView(cell.x),
                          QLatin1StringView(cell.y));
    return table;
}

const ExpectedCell& expectedCell(const QString& name) {
    for (const ExpectedCell& cell : expectedGrid)
        if (name == QLatin1StringView(cell.name))
            return cell;
    qFatal("no cell %s", qPrintable(name));
}

} // namespace

class TestPositionCopier : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void cellMenuCopiesWhatTheCellShows_data();
    void cellMenuCopiesWhatTheCellShows();
    void copyAllPositionsGivesTheWholeTable_data();
    void copyAllPositionsGivesTheWholeTable();
    void leftClickOnACellDoesNothing();
    void fieldKeepsFocusAndEditTextWhileTheMenuIsOpen();
    void contextMenuKeyOpensTheCellMenuUnderThePointer();
    void assistiveTechnologyFindsCellsFieldsLinkAndButton();

private:
    TVxPanel* cell(const QString& name) const { return m_form->findChild<TVxPanel*>(name); }
    TCurrencyEdit* field(const char* name) const {
        return m_form->findChild<TCurrencyEdit*>(QString::fromLatin1(name));
    }
    void typeInputs();
    void rightClick(const QString& cellName);
    static QMenu* openMenu() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }
    static void choose(QMenu* menu, const QString& text);

    QTemporaryDir m_runtimeDirectory;
    std::unique_ptr<TApplication> m_application;
    std::unique_ptr<TForm1> m_form;
};

void TestPositionCopier::initTestCase() {
    SetFloatingPointMode();
    QVERIFY(m_runtimeDirectory.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtimeDirectory.path()));
}

void TestPositionCopier::init() {
    SetCurrentSeparators({',', '.'}); // de_DE
    SetErrorReport([](const std::exception& error) { QFAIL(error.what()); });
    TCustomNumEdit::SetBeepHandler([] {});
    m_application = std::make_unique<TApplication>();
    m_form = std::make_unique<TForm1>(*m_application);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QGuiApplication::clipboard()->clear();
}

void TestPositionCopier::cleanup() {
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    m_form.reset();
    m_application.reset();
    SetErrorReport(nullptr);
    TCustomNumEdit::SetBeepHandler(nullptr);
    SetCurrentSeparators({});
}

void TestPositionCopier::typeInputs() {
    const auto type = [this](const char* name, const char* text) {
        TCurrencyEdit* input = field(name);
        input->setFocus();
        QTRY_VERIFY(input->hasFocus());
        input->selectAll();
        QTest::keyClicks(input, QString::fromLatin1(text));
    };
    type("X", typedX);
    type("Y", typedY);
    type("S", typedS);
    type("L", typedL);
    type("W", typedW);
}

// A right click goes through the window, where Qt turns it into a context-menu request.
void TestPositionCopier::rightClick(const QString& cellName) {
    const TVxPanel* panel = cell(cellName);
    const QPoint centre = panel->mapTo(m_form.get(), panel->rect().center());
    QTest::mouseClick(m_form->windowHandle(), Qt::RightButton, {}, centre);
    QTRY_VERIFY(openMenu() != nullptr);
}

void TestPositionCopier::choose(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text().section(u'\t', 0, 0) == text) {
            QVERIFY(action->isEnabled());
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
            QTRY_VERIFY(!menu->isVisible());
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no menu item ") + text));
}

void TestPositionCopier::cellMenuCopiesWhatTheCellShows_data() {
    QTest::addColumn<QString>("cellName");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("copied");

    QTest::newRow("X of a far corner")
        << "LU9"
        << "Copy X" << QString::fromLatin1(expectedCell(QStringLiteral("LU9")).x);
    QTest::newRow("Y of the start cell") << "PStart"
                                         << "Copy Y"
                                         << "20,25";
    QTest::newRow("X and Y of an axis cell") << "R2"
                                             << "Copy X and Y"
                                             << "-1214,50\t20,25";
    QTest::newRow("X and Y of the last cell") << "RD9"
                                              << "Copy X and Y"
                                              << "-1204,50\t12,75";
}

void TestPositionCopier::cellMenuCopiesWhatTheCellShows() {
    QFETCH(QString, cellName);
    QFETCH(QString, item);
    QFETCH(QString, copied);

    typeInputs();
    const ExpectedCell& shown = expectedCell(cellName);
    QCOMPARE(cell(cellName)->Caption(),
             QStringLiteral("X = %1\rY = %2")
                 .arg(QLatin1StringView(shown.x), QLatin1StringView(shown.y)));

    rightClick(cellName);
    QMenu* menu = openMenu();
    QVERIFY(menu);
    QStringList items;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            items << action->text().section(u'\t', 0, 0);
    QCOMPARE(items,
             QStringList({QStringLiteral("Copy X"), QStringLiteral("Copy Y"),
                          QStringLiteral("Copy X and Y"), QStringLiteral("Copy all positions")}));
    choose(menu, item);
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
}

void TestPositionCopier::copyAllPositionsGivesTheWholeTable_data() {
    QTest::addColumn<bool>("byShortcut");
    QTest::newRow("cell menu") << false;
    QTest::newRow("Ctrl+Shift+C in a field") << true;
}

void TestPositionCopier::copyAllPositionsGivesTheWholeTable() {
    QFETCH(bool, byShortcut);
    typeInputs();
    QSignalSpy clipboardWrites(QGuiApplication::clipboard(), &QClipboard::dataChanged);

    if (byShortcut) {
        QTest::keyClick(field("W"), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(field("W")->text(), QStringLiteral("1")); // the field did not take the key
    } else {
        rightClick(QStringLiteral("D2"));
        QVERIFY(openMenu());
        choose(openMenu(), QStringLiteral("Copy all positions"));
    }
    QCOMPARE(QGuiApplication::clipboard()->text(), expectedTable());
    QCOMPARE(clipboardWrites.size(), 1);
    if (QGuiApplication::clipboard()->supportsSelection())
        QCOMPARE(QGuiApplication::clipboard()->text(QClipboard::Selection), expectedTable());
}

void TestPositionCopier::leftClickOnACellDoesNothing() {
    typeInputs();
    TCurrencyEdit* w = field("W");
    QTRY_VERIFY(w->hasFocus());
    const QString shown = cell(QStringLiteral("LU5"))->Caption();
    const TVxPanel* panel = cell(QStringLiteral("LU5"));
    QTest::mouseClick(m_form->windowHandle(), Qt::LeftButton, {},
                      panel->mapTo(m_form.get(), panel->rect().center()));
    QCoreApplication::processEvents();
    QVERIFY(QApplication::activePopupWidget() == nullptr);
    QVERIFY(w->hasFocus());
    QCOMPARE(w->text(), QStringLiteral("1"));
    QCOMPARE(cell(QStringLiteral("LU5"))->Caption(), shown);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
}

void TestPositionCopier::fieldKeepsFocusAndEditTextWhileTheMenuIsOpen() {
    TCurrencyEdit* x = field("X");
    x->setFocus();
    QTRY_VERIFY(x->hasFocus());
    QTest::keyClicks(x, QStringLiteral("12,5"));
    x->setCursorPosition(2);

    rightClick(QStringLiteral("RU3"));
    QMenu* menu = openMenu();
    QVERIFY(menu);
    QCOMPARE(QApplication::focusWidget(), x);
    QCOMPARE(x->text(), QStringLiteral("12,5")); // the edit text, not the display "12,50"
    QTest::keyClick(menu, Qt::Key_Escape);
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);

    QTRY_VERIFY(x->hasFocus());
    QCOMPARE(x->text(), QStringLiteral("12,5"));
    QCOMPARE(x->cursorPosition(), 2);
    QTest::keyClicks(x, QStringLiteral("3"));
    QCOMPARE(x->text(), QStringLiteral("123,5"));
}

void TestPositionCopier::contextMenuKeyOpensTheCellMenuUnderThePointer() {
    typeInputs();
    TCurrencyEdit* w = field("W");
    QTRY_VERIFY(w->hasFocus());
    const TVxPanel* panel = cell(QStringLiteral("LD4"));
    QCursor::setPos(panel->mapToGlobal(panel->rect().center()));
    QTRY_COMPARE(QApplication::widgetAt(QCursor::pos()), panel);

    // The platform sends the key's menu request to the focused field, as Qt does on X11.
    QContextMenuEvent request(QContextMenuEvent::Keyboard, w->rect().center(),
                              w->mapToGlobal(w->rect().center()));
    QApplication::sendEvent(w, &request);
    QTRY_VERIFY(openMenu() != nullptr);
    QMenu* menu = openMenu();
    QCOMPARE(menu->objectName(), QStringLiteral("CellMenu"));
    choose(menu, QStringLiteral("Copy X"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("-1244,50"));

    // Away from the cells the key opens the field's own menu.
    QCursor::setPos(m_form->mapToGlobal(QPoint(300, 248))); // just below the grid
    QTRY_VERIFY(QApplication::widgetAt(QCursor::pos()) == m_form.get());
    QApplication::sendEvent(w, &request);
    QTRY_VERIFY(openMenu() != nullptr);
    QVERIFY(openMenu()->objectName() != QStringLiteral("CellMenu"));
}

void TestPositionCopier::assistiveTechnologyFindsCellsFieldsLinkAndButton() {
    typeInputs();
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(m_form.get());
    QVERIFY(window);

    QAccessibleInterface* lu1 = QAccessible::queryAccessibleInterface(cell(QStringLiteral("LU1")));
    QCOMPARE(lu1->role(), QAccessible::StaticText);
    QCOMPARE(lu1->text(QAccessible::Name), QStringLiteral("LU1"));
    QVERIFY(lu1->textInterface());
    QCOMPARE(lu1->textInterface()->text(0, lu1->textInterface()->characterCount()),
             QStringLiteral("X = -1244,50, Y = 22,75"));

    const std::pair<const char*, const char*> fields[] = {
        {"X", "Position X"}, {"Y", "Position Y"}, {"S", "Scale"}, {"L", "Length"}, {"W", "Width"}};
    for (const auto& [name, label] : fields) {
        QAccessibleInterface* input = QAccessible::queryAccessibleInterface(field(name));
        QCOMPARE(input->role(), QAccessible::EditableText);
        QCOMPARE(input->text(QAccessible::Name), QString::fromLatin1(label));
        QCOMPARE(input->text(QAccessible::Value), field(name)->text());
    }
    QCOMPARE(QAccessible::queryAccessibleInterface(field("W"))->text(QAccessible::Value),
             QStringLiteral("1"));

    QAccessibleInterface* link = QAccessible::queryAccessibleInterface(
        m_form->findChild<QWidget*>(QStringLiteral("LinkLabel1")));
    QCOMPARE(link->role(), QAccessible::Link);
    QCOMPARE(link->text(QAccessible::Name), QStringLiteral("http://vx.example"));
    QVERIFY(link->actionInterface());
    QVERIFY(
        link->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));

    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(
        m_form->findChild<QPushButton*>(QStringLiteral("EClose")));
    QCOMPARE(button->role(), QAccessible::Button);
    QCOMPARE(button->text(QAccessible::Name), QStringLiteral("End program"));
}

QTEST_MAIN(TestPositionCopier)
#include "tst_positioncopier.moc"
