#include "calc/ErrorReport.h"
#include "calc/Exception.h"
#include "calc/FloatingPointMode.h"
#include "calc/LocaleSeparators.h"
#include "widgets/CurrEdit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <cmath>
#include <memory>
#include <utility>

using namespace vexto;

Q_DECLARE_METATYPE(long double)

namespace {

struct FieldSetup {
    Extended minValue;
    Extended maxValue;
    Extended value;
};

// The bounds and initial values of the window's X, S and L fields.
constexpr FieldSetup positionField{-9999, 9999, 0};
constexpr FieldSetup scaleField{0.1L, 10, 1};
constexpr FieldSetup lengthField{0.1L, 10, 8};

// Ink is whatever differs from the field's fill colour.
int firstInkColumn(const QImage& image, QRgb fill, int left, int right) {
    for (int x = left; x < right; ++x) {
        for (int y = 3; y < image.height() - 3; ++y) {
            if (image.pixel(x, y) != fill)
                return x;
        }
    }
    return -1;
}

// Stands in for a drag source that honours a move, as an edit box does: it hands its text to the
// target the way the toolkit delivers a drop, with the move proposed (Shift held), and deletes its
// text when the target reports that it took the text by moving it.
class MovingDragSource {
public:
    explicit MovingDragSource(QString text) : m_text(std::move(text)) {}

    Qt::DropAction dropOn(QWidget* target) {
        QMimeData data;
        data.setText(m_text);
        const QPoint at = target->rect().center();
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::ShiftModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return Qt::IgnoreAction;
        QDropEvent drop(QPointF(at), actions, &data, Qt::LeftButton, Qt::ShiftModifier);
        QApplication::sendEvent(target, &drop);
        const Qt::DropAction done = drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
        if (done == Qt::MoveAction)
            m_text.clear();
        return done;
    }

    QString text() const { return m_text; }

private:
    QString m_text;
};

enum class TextEntry { Drop, DropWhileInactive, MiddleButton, ContextMenuPaste };

} // namespace

Q_DECLARE_METATYPE(TextEntry)

class TestCurrEdit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loadingAndFocusingRaiseNoChange();
    void typingIntoEmptyFieldRaisesOneChange();
    void emptyFieldReadsItsBound_data();
    void emptyFieldReadsItsBound();
    void valueIsClampedAndRewrittenOnLeaving_data();
    void valueIsClampedAndRewrittenOnLeaving();
    void readingValueHasNoVisibleEffect();
    void keystrokeTest_data();
    void keystrokeTest();
    void beepCanBeSwitchedOff();
    void separatorKeysFollowCommaLocale();
    void enterChangesNothing();
    void escapeRewritesFromStoredValue_data();
    void escapeRewritesFromStoredValue();
    void pasteRollsBackUnreadableText_data();
    void pasteRollsBackUnreadableText();
    void pasteSkipsKeystrokeTest();
    void dropIsAPaste_data();
    void dropIsAPaste();
    void middleButtonPastesSelectionThroughPasteRule();
    void refusedDropIsNotReportedAsTaken_data();
    void refusedDropIsNotReportedAsTaken();
    void fieldThatCannotTakeFocusTakesNoText_data();
    void fieldThatCannotTakeFocusTakesNoText();
    void pasteTakesTheFirstLine_data();
    void pasteTakesTheFirstLine();
    void longPasteHasNoLengthLimit();
    void editingKeysRaiseChange_data();
    void editingKeysRaiseChange();
    void inputMethodCommitIsTyped_data();
    void inputMethodCommitIsTyped();
    void propertyWritesRaiseChangeOnlyWhenTextChanges_data();
    void propertyWritesRaiseChangeOnlyWhenTextChanges();
    void textWriteRefusesUnreadableText();
    void entrySelectsAllExceptOnLeftClick();
    void altChordsGoToTheWindow_data();
    void altChordsGoToTheWindow();
    void fieldMenuOffersWhatTheFieldAllows_data();
    void fieldMenuOffersWhatTheFieldAllows();
    void displayFormatChangeRepaintsUnfocusedField();
    void leavingUnreadableTextReportsAndKeepsFocus();
    void errorBoxDoesNotCommitAgain();
    void failedExitKeepsOtherFieldUntouched();
    void otherWindowIsNotAnExit();
    void popupMenuIsNotAnExit();
    void paintsDisplayTextWhileUnfocused();
    void displayTextStandsInItsAlignedPlace_data();
    void displayTextStandsInItsAlignedPlace();
    void disabledFieldPaintsGreyText();

private:
    TCurrencyEdit* addField(const FieldSetup& setup);
    void moveFocusTo(QWidget* widget, Qt::FocusReason reason = Qt::TabFocusReason);
    void leaveField();
    static void typeLonePlus(TCurrencyEdit* field);

    std::unique_ptr<QWidget> m_window;
    TCurrencyEdit* m_x = nullptr;
    TCurrencyEdit* m_s = nullptr;
    TCurrencyEdit* m_l = nullptr;
    QPushButton* m_button = nullptr;
    int m_beeps = 0;
    QStringList m_errors;
};

void TestCurrEdit::initTestCase() {
    SetFloatingPointMode();
}

// Built like the window's layout: display format, bounds, value, and only then watched.
TCurrencyEdit* TestCurrEdit::addField(const FieldSetup& setup) {
    auto* field = new TCurrencyEdit(m_window.get());
    field->resize(57, 21);
    field->SetDisplayFormat(QStringLiteral("0.00"));
    field->SetMaxValue(setup.maxValue);
    field->SetMinValue(setup.minValue);
    field->SetValue(setup.value);
    m_window->layout()->addWidget(field);
    return field;
}

void TestCurrEdit::init() {
    m_window = std::make_unique<QWidget>();
    new QVBoxLayout(m_window.get());
    m_x = addField(positionField);
    m_s = addField(scaleField);
    m_l = addField(lengthField);
    m_button = new QPushButton(QStringLiteral("End program"), m_window.get());
    m_window->layout()->addWidget(m_button);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_beeps = 0;
    m_errors.clear();
    TCustomNumEdit::SetBeepHandler([this] { ++m_beeps; });
    SetErrorReport(
        [this](const std::exception& error) { m_errors << QString::fromUtf8(error.what()); });
}

void TestCurrEdit::cleanup() {
    m_window.reset();
    TCustomNumEdit::SetBeepHandler(nullptr);
    SetErrorReport(nullptr);
    SetCurrentSeparators({});
    QGuiApplication::clipboard()->clear();
}

void TestCurrEdit::moveFocusTo(QWidget* widget, Qt::FocusReason reason) {
    widget->setFocus(reason);
    QTRY_VERIFY(widget->hasFocus());
}

void TestCurrEdit::leaveField() {
    m_button->setFocus(Qt::TabFocusReason);
}

// A lone plus sign cannot be typed, as it does not read; deleting the digit of "+5" leaves it.
void TestCurrEdit::typeLonePlus(TCurrencyEdit* field) {
    QTest::keyClick(field, Qt::Key_5);
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClicks(field, QStringLiteral("+"));
    QCOMPARE(field->text(), QStringLiteral("+5"));
    QTest::keyClick(field, Qt::Key_End);
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(field->text(), QStringLiteral("+"));
}

void TestCurrEdit::loadingAndFocusingRaiseNoChange() {
    QCOMPARE(m_x->text(), QString());
    QCOMPARE(m_s->text(), QStringLiteral("1"));
    QCOMPARE(m_l->text(), QStringLiteral("8"));
    QSignalSpy changes(m_x, &TCustomNumEdit::OnChange);
    moveFocusTo(m_x, Qt::OtherFocusReason);
    QCOMPARE(changes.count(), 0);
    QCOMPARE(m_s->ComposeDisplayText(), QStringLiteral("1.00"));
    QCOMPARE(m_l->ComposeDisplayText(), QStringLiteral("8.00"));
}

void TestCurrEdit::typingIntoEmptyFieldRaisesOneChange() {
    moveFocusTo(m_x);
    QSignalSpy changes(m_x, &TCustomNumEdit::OnChange);
    QTest::keyClick(m_x, Qt::Key_5);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.first().first().value<QObject*>(), m_x);
    QCOMPARE(m_x->Value(), 5.0L);
}

void TestCurrEdit::emptyFieldReadsItsBound_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<long double>("expected");
    QTest::addColumn<QString>("editAfterLeaving");
    QTest::addColumn<QString>("displayAfterLeaving");
    QTest::newRow("X reads 0") << 0 << 0.0L << QString() << QStringLiteral("0.00");
    QTest::newRow("S reads 0.1") << 1 << 0.1L << QStringLiteral("0.1") << QStringLiteral("0.10");
}

void TestCurrEdit::emptyFieldReadsItsBound() {
    QFETCH(int, field);
    QFETCH(long double, expected);
    QFETCH(QString, editAfterLeaving);
    QFETCH(QString, displayAfterLeaving);
    TCurrencyEdit* edit = field == 0 ? m_x : m_s;
    moveFocusTo(edit);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), QString());
    QCOMPARE(edit->Value(), expected);
    leaveField();
    QCOMPARE(edit->text(), editAfterLeaving);
    QCOMPARE(edit->ComposeDisplayText(), displayAfterLeaving);
}

void TestCurrEdit::valueIsClampedAndRewrittenOnLeaving_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<long double>("value");
    QTest::addColumn<QString>("editAfterLeaving");
    QTest::addColumn<QString>("displayAfterLeaving");
    QTest::newRow("lower bound exactly") << "0.1" << 0.1L << "0.1"
                                         << "0.10";
    QTest::newRow("below") << "0.09" << 0.1L << "0.1"
                           << "0.10";
    QTest::newRow("zero") << "0" << 0.1L << "0.1"
                          << "0.10";
    QTest::newRow("above") << "11" << 10.0L << "10"
                           << "10.00";
    QTest::newRow("trailing separator") << "8." << 8.0L << "8"
                                        << "8.00";
    QTest::newRow("lone minus") << "-" << 0.1L << "0.1"
                                << "0.10";
    QTest::newRow("blanks around") << " 5 " << 5.0L << "5"
                                   << "5.00";
}

void TestCurrEdit::valueIsClampedAndRewrittenOnLeaving() {
    QFETCH(QString, typed);
    QFETCH(long double, value);
    QFETCH(QString, editAfterLeaving);
    QFETCH(QString, displayAfterLeaving);
    moveFocusTo(m_s);
    QTest::keyClicks(m_s, typed);
    QCOMPARE(m_s->text(), typed);
    QCOMPARE(m_s->Value(), value);
    QSignalSpy changes(m_s, &TCustomNumEdit::OnChange);
    leaveField();
    QCOMPARE(changes.count(), 0);
    QCOMPARE(m_s->text(), editAfterLeaving);
    QCOMPARE(m_s->ComposeDisplayText(), displayAfterLeaving);
    QCOMPARE(m_s->cursorPosition(), 0);
    QVERIFY(!m_s->hasSelectedText());
    QVERIFY(m_errors.isEmpty());
}

void TestCurrEdit::readingValueHasNoVisibleEffect() {
    moveFocusTo(m_l);
    QTest::keyClicks(m_l, QStringLiteral("20"));
    m_l->setCursorPosition(1);
    QSignalSpy changes(m_l, &TCustomNumEdit::OnChange);
    for (int read = 0; read < 266; ++read)
        QCOMPARE(m_l->Value(), 10.0L);
    QCOMPARE(changes.count(), 0);
    QCOMPARE(m_l->text(), QStringLiteral("20"));
    QCOMPARE(m_l->cursorPosition(), 1);
    // An unreadable text reads as the lower bound, silently.
    QTest::keyClick(m_x, Qt::Key_Backspace);
    moveFocusTo(m_x);
    typeLonePlus(m_x);
    QSignalSpy xChanges(m_x, &TCustomNumEdit::OnChange);
    QCOMPARE(m_x->Value(), -9999.0L);
    QCOMPARE(m_x->text(), QStringLiteral("+"));
    QCOMPARE(xChanges.count(), 0);
    QVERIFY(m_errors.isEmpty());
}

void TestCurrEdit::keystrokeTest_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<int>("changes");
    QTest::addColumn<long double>("value");

    QTest::newRow("third decimal refused") << 1 << "1.257"
                                           << "1.25" << 1 << 4 << 1.25L;
    QTest::newRow("lone minus in S accepted") << 1 << "-"
                                              << "-" << 0 << 1 << 0.1L;
    QTest::newRow("digit after minus in S refused") << 1 << "-5"
                                                    << "-" << 1 << 1 << 0.1L;
    QTest::newRow("minus zero point in S") << 1 << "-0."
                                           << "-0." << 0 << 3 << 0.1L;
    QTest::newRow("exponent in X") << 0 << "1.2E3"
                                   << "1.2E3" << 0 << 5 << 1200.0L;
    QTest::newRow("E cannot start a field") << 0 << "E5"
                                            << "5" << 1 << 1 << 5.0L;
    QTest::newRow("blank between digits refused") << 0 << "5 5"
                                                  << "5 " << 1 << 2 << 5.0L;
    QTest::newRow("letter refused") << 0 << "x"
                                    << "" << 1 << 0 << 0.0L;
    QTest::newRow("bounds not tested while typing") << 0 << "99999"
                                                    << "99999" << 0 << 5 << 9999.0L;
    QTest::newRow("comma key is the separator") << 0 << "1,5"
                                                << "1.5" << 0 << 3 << 1.5L;
    QTest::newRow("syntax looks at 63 characters")
        << 0 << QString(63, u'1') + u'-' << QString(63, u'1') + u'-' << 0 << 64 << -9999.0L;
    QTest::newRow("exponent after two decimals in X") << 0 << "1.25E3"
                                                      << "1.25E3" << 0 << 6 << 1250.0L;
}

void TestCurrEdit::keystrokeTest() {
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QString, expectedText);
    QFETCH(int, beeps);
    QFETCH(int, changes);
    QFETCH(long double, value);
    TCurrencyEdit* edit = field == 0 ? m_x : m_s;
    moveFocusTo(edit);
    QTest::keyClick(edit, Qt::Key_Backspace); // clears the selected initial text
    QSignalSpy spy(edit, &TCustomNumEdit::OnChange);
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), expectedText);
    QCOMPARE(m_beeps, beeps);
    QCOMPARE(spy.count(), changes);
    QCOMPARE(edit->Value(), value);
}

void TestCurrEdit::beepCanBeSwitchedOff() {
    m_x->SetBeepOnError(false);
    moveFocusTo(m_x);
    QTest::keyClicks(m_x, QStringLiteral("x+"));
    QCOMPARE(m_beeps, 0);
    QCOMPARE(m_x->text(), QString());
}

void TestCurrEdit::separatorKeysFollowCommaLocale() {
    SetCurrentSeparators({',', '.'});
    m_l->SetValue(8.5L);
    QCOMPARE(m_l->text(), QStringLiteral("8,5"));
    m_l->SetValue(8);
    QCOMPARE(m_l->ComposeDisplayText(), QStringLiteral("8,00"));
    moveFocusTo(m_x);
    QTest::keyClicks(m_x, QStringLiteral("1."));
    QCOMPARE(m_x->text(), QStringLiteral("1,"));
    QTest::keyClick(m_x, Qt::Key_Backspace);
    QTest::keyClicks(m_x, QStringLiteral(",25"));
    QCOMPARE(m_x->text(), QStringLiteral("1,25"));
    QCOMPARE(m_x->Value(), 1.25L);
    leaveField();
    QCOMPARE(m_x->ComposeDisplayText(), QStringLiteral("1,25"));
}

void TestCurrEdit::enterChangesNothing() {
    moveFocusTo(m_l);
    QSignalSpy changes(m_l, &TCustomNumEdit::OnChange);
    QTest::keyClick(m_l, Qt::Key_Return);
    QTest::keyClick(m_l, Qt::Key_Enter);
    QCOMPARE(m_l->text(), QStringLiteral("8"));
    QCOMPARE(changes.count(), 0);
    QCOMPARE(m_beeps, 0);
}

void TestCurrEdit::escapeRewritesFromStoredValue_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("afterEscape");
    QTest::addColumn<int>("changes");
    QTest::newRow("already rewritten") << 0 << "5"
                                       << "5" << 0;
    QTest::newRow("clamped") << 2 << "20"
                             << "10" << 1;
    QTest::newRow("unreadable gives the bound") << 0 << "+"
                                                << "-9999" << 1;
}

void TestCurrEdit::escapeRewritesFromStoredValue() {
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QString, afterEscape);
    QFETCH(int, changes);
    TCurrencyEdit* edit = field == 0 ? m_x : m_l;
    moveFocusTo(edit);
    if (typed == u'+')
        typeLonePlus(edit);
    else
        QTest::keyClicks(edit, typed);
    edit->Value();
    QSignalSpy spy(edit, &TCustomNumEdit::OnChange);
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(edit->text(), afterEscape);
    QCOMPARE(edit->selectedText(), afterEscape);
    QCOMPARE(spy.count(), changes);
}

void TestCurrEdit::pasteRollsBackUnreadableText_data() {
    QTest::addColumn<int>("path");
    QTest::newRow("Ctrl+V") << 0;
    QTest::newRow("Shift+Insert") << 1;
    QTest::newRow("context menu") << 2;
}

void TestCurrEdit::pasteRollsBackUnreadableText() {
    QFETCH(int, path);
    moveFocusTo(m_x);
    QTest::keyClick(m_x, Qt::Key_5);
    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    QSignalSpy changes(m_x, &TCustomNumEdit::OnChange);
    if (path == 0) {
        QTest::keyClick(m_x, Qt::Key_V, Qt::ControlModifier);
    } else if (path == 1) {
        QTest::keyClick(m_x, Qt::Key_Insert, Qt::ShiftModifier);
    } else {
        std::unique_ptr<QMenu> menu(m_x->CreateFieldContextMenu());
        QAction* pasteAction = menu->findChild<QAction*>(QStringLiteral("edit-paste"));
        QVERIFY(pasteAction != nullptr);
        pasteAction->trigger();
    }
    QCOMPARE(m_x->text(), QStringLiteral("5"));
    QCOMPARE(m_x->selectedText(), QStringLiteral("5"));
    QCOMPARE(m_beeps, 1);
    QCOMPARE(changes.count(), 2);
    QVERIFY(m_x->hasFocus());
    QVERIFY(m_errors.isEmpty());
}

void TestCurrEdit::pasteSkipsKeystrokeTest() {
    moveFocusTo(m_s);
    QGuiApplication::clipboard()->setText(QStringLiteral("1.257"));
    QSignalSpy changes(m_s, &TCustomNumEdit::OnChange);
    QTest::keyClick(m_s, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(m_s->text(), QStringLiteral("1.257"));
    QCOMPARE(m_s->Value(), 1.257L);
    leaveField();
    QCOMPARE(m_s->text(), QStringLiteral("1.26"));
    QCOMPARE(m_beeps, 0);
}

void TestCurrEdit::dropIsAPaste_data() {
    QTest::addColumn<QString>("dropped");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<int>("changes");
    QTest::addColumn<int>("beeps");
    QTest::newRow("readable") << "12"
                              << "12" << 1 << 0;
    QTest::newRow("unreadable") << "abc"
                                << "" << 2 << 1;
}

void TestCurrEdit::dropIsAPaste() {
    QFETCH(QString, dropped);
    QFETCH(QString, expectedText);
    QFETCH(int, changes);
    QFETCH(int, beeps);
    QSignalSpy spy(m_x, &TCustomNumEdit::OnChange);
    QMimeData data;
    data.setText(dropped);
    // The toolkit hands a drop to the widget that accepted the drag's entry.
    QDragEnterEvent enter(m_x->rect().center(), Qt::CopyAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(m_x, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(m_x->rect().center()), Qt::CopyAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(m_x, &drop);
    QCOMPARE(m_x->text(), expectedText);
    QCOMPARE(spy.count(), changes);
    QCOMPARE(m_beeps, beeps);
    QVERIFY(m_x->hasFocus());
}

void TestCurrEdit::middleButtonPastesSelectionThroughPasteRule() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    moveFocusTo(m_x);
    QTest::keyClick(m_x, Qt::Key_5);
    QSignalSpy changes(m_x, &TCustomNumEdit::OnChange);
    if (!clipboard->supportsSelection()) {
        // Without a selection clipboard a middle click must not bring text in by another way.
        clipboard->setText(QStringLiteral("abc"));
        QTest::mouseClick(m_x, Qt::MiddleButton);
        QCOMPARE(m_x->text(), QStringLiteral("5"));
        QCOMPARE(changes.count(), 0);
        QSKIP("this platform has no selection clipboard");
    }
    clipboard->setText(QStringLiteral("abc"), QClipboard::Selection);
    QTest::mouseClick(m_x, Qt::MiddleButton);
    QCOMPARE(m_x->text(), QStringLiteral("5"));
    QCOMPARE(m_beeps, 1);
}

void TestCurrEdit::refusedDropIsNotReportedAsTaken_data() {
    QTest::addColumn<QString>("dropped");
    QTest::addColumn<QString>("fieldText");
    QTest::addColumn<QString>("sourceText");
    QTest::addColumn<Qt::DropAction>("action");
    QTest::newRow("unreadable: rolled back, source keeps it") << "abc"
                                                              << "5"
                                                              << "abc" << Qt::IgnoreAction;
    QTest::newRow("readable: moved, after the text") << "12"
                                                     << "512" << QString() << Qt::MoveAction;
}

void TestCurrEdit::refusedDropIsNotReportedAsTaken() {
    QFETCH(QString, dropped);
    QFETCH(QString, fieldText);
    QFETCH(QString, sourceText);
    QFETCH(Qt::DropAction, action);
    moveFocusTo(m_x);
    QTest::keyClick(m_x, Qt::Key_5);
    MovingDragSource source(dropped);
    QCOMPARE(source.dropOn(m_x), action);
    QCOMPARE(m_x->text(), fieldText);
    QCOMPARE(source.text(), sourceText);
}

// X holds a lone plus sign, so the focus cannot leave it; text aimed at S must not arrive there.
void TestCurrEdit::fieldThatCannotTakeFocusTakesNoText_data() {
    QTest::addColumn<TextEntry>("entry");
    QTest::newRow("drop") << TextEntry::Drop;
    // No focus events reach an inactive window, so the drop itself must ask X to let go.
    QTest::newRow("drop while the window is inactive") << TextEntry::DropWhileInactive;
    QTest::newRow("middle-button paste") << TextEntry::MiddleButton;
    QTest::newRow("context menu paste") << TextEntry::ContextMenuPaste;
}

void TestCurrEdit::fieldThatCannotTakeFocusTakesNoText() {
    QFETCH(TextEntry, entry);
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (entry == TextEntry::MiddleButton && !clipboard->supportsSelection())
        QSKIP("this platform has no selection clipboard");
    moveFocusTo(m_x);
    typeLonePlus(m_x);
    QSignalSpy scaleChanges(m_s, &TCustomNumEdit::OnChange);
    MovingDragSource source(QStringLiteral("1.257"));
    switch (entry) {
    case TextEntry::Drop:
        QCOMPARE(source.dropOn(m_s), Qt::IgnoreAction);
        break;
    case TextEntry::DropWhileInactive: {
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(source.dropOn(m_s), Qt::IgnoreAction);
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        break;
    }
    case TextEntry::MiddleButton:
        clipboard->setText(QStringLiteral("1.257"), QClipboard::Selection);
        QTest::mouseClick(m_s, Qt::MiddleButton);
        break;
    case TextEntry::ContextMenuPaste: {
        clipboard->setText(QStringLiteral("1.257"));
        QTest::mouseClick(m_s, Qt::RightButton);
        qDeleteAll(m_s->findChildren<QMenu*>());
        std::unique_ptr<QMenu> menu(m_s->CreateFieldContextMenu());
        QAction* pasteAction = menu->findChild<QAction*>(QStringLiteral("edit-paste"));
        QVERIFY(!pasteAction->isEnabled());
        pasteAction->trigger();
        break;
    }
    }
    QCOMPARE(m_s->text(), QStringLiteral("1"));
    QCOMPARE(scaleChanges.count(), 0);
    QCOMPARE(m_s->Value(), 1.0L);
    QCOMPARE(source.text(), QStringLiteral("1.257"));
    QCOMPARE(m_errors, QStringList{QStringLiteral("'+' is not a valid floating point value")});
    QTRY_VERIFY(m_x->hasFocus());
    QCOMPARE(m_x->text(), QStringLiteral("+"));
}

void TestCurrEdit::pasteTakesTheFirstLine_data() {
    QTest::addColumn<bool>("byDrop");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expectedText");
    for (const bool byDrop : {false, true}) {
        const char* path = byDrop ? "drop" : "paste";
        QTest::addRow("%s: line feed after the number", path) << byDrop << "5\n"
                                                              << "5";
        QTest::addRow("%s: CR LF, then more", path) << byDrop << "5\r\n7"
                                                    << "5";
        QTest::addRow("%s: CR alone", path) << byDrop << "12\r34"
                                            << "12";
        QTest::addRow("%s: only the first of several lines", path) << byDrop << "1.5\nabc\n"
                                                                   << "1.5";
    }
}

void TestCurrEdit::pasteTakesTheFirstLine() {
    QFETCH(bool, byDrop);
    QFETCH(QString, pasted);
    QFETCH(QString, expectedText);
    moveFocusTo(m_x);
    if (byDrop) {
        MovingDragSource source(pasted);
        source.dropOn(m_x);
    } else {
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keyClick(m_x, Qt::Key_V, Qt::ControlModifier);
    }
    QCOMPARE(m_x->text(), expectedText);
    QCOMPARE(m_beeps, 0);
}

void TestCurrEdit::longPasteHasNoLengthLimit() {
    moveFocusTo(m_x);
    QGuiApplication::clipboard()->setText(QString(39'999, u'0') + u'5');
    QTest::keyClick(m_x, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(m_x->text().size(), 40'000);
    QCOMPARE(m_x->Value(), 5.0L);
    QCOMPARE(m_beeps, 0);
}

void TestCurrEdit::editingKeysRaiseChange_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("expectedText");
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << 0 << 3 << "1.";
    QTest::newRow("Delete") << int(Qt::Key_Delete) << 0 << 0 << ".5";
    QTest::newRow("Ctrl+X cuts the selection")
        << int(Qt::Key_X) << int(Qt::ControlModifier) << -1 << "";
    QTest::newRow("Ctrl+Z undoes the typing")
        << int(Qt::Key_Z) << int(Qt::ControlModifier) << 3 << "";
    QTest::newRow("Ctrl+Shift+Z redoes it")
        << int(Qt::Key_Z) << int(Qt::ControlModifier | Qt::ShiftModifier) << -2 << "1.5";
}

// Edits through the edit box pass untested and each raises one notification; an unreadable
// result (".5" is readable, "" too) is fine while typing.
void TestCurrEdit::editingKeysRaiseChange() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, caret);
    QFETCH(QString, expectedText);
    moveFocusTo(m_x);
    QTest::keyClicks(m_x, QStringLiteral("1.5"));
    if (caret >= 0)
        m_x->setCursorPosition(caret);
    else if (caret == -1)
        m_x->selectAll();
    else
        QTest::keyClick(m_x, Qt::Key_Z, Qt::ControlModifier);
    QSignalSpy changes(m_x, &TCustomNumEdit::OnChange);
    QTest::keyClick(m_x, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(m_x->text(), expectedText);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(m_beeps, 0);
}

void TestCurrEdit::inputMethodCommitIsTyped_data() {
    QTest::addColumn<QString>("commit");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<int>("changes");
    QTest::addColumn<int>("beeps");
    QTest::newRow("digits") << "12"
                            << "12" << 1 << 0;
    QTest::newRow("comma becomes separator") << "1,5"
                                             << "1.5" << 1 << 0;
    QTest::newRow("letters refused") << "ab"
                                     << "" << 0 << 1;
    QTest::newRow("wide digit refused") << QStringLiteral("\uFF15") << "" << 0 << 1;
}

void TestCurrEdit::inputMethodCommitIsTyped() {
    QFETCH(QString, commit);
    QFETCH(QString, expectedText);
    QFETCH(int, changes);
    QFETCH(int, beeps);
    moveFocusTo(m_x);
    QSignalSpy spy(m_x, &TCustomNumEdit::OnChange);
    QInputMethodEvent event;
    event.setCommitString(commit);
    QApplication::sendEvent(m_x, &event);
    QCOMPARE(m_x->text(), expectedText);
    QCOMPARE(spy.count(), changes);
    QCOMPARE(m_beeps, beeps);
}

void TestCurrEdit::propertyWritesRaiseChangeOnlyWhenTextChanges_data() {
    QTest::addColumn<int>("write");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<int>("changes");
    QTest::newRow("Value to a new number") << 0 << "5" << 1;
    QTest::newRow("Value to the same number") << 1 << "8" << 0;
    QTest::newRow("Text") << 2 << "7.5" << 1;
    QTest::newRow("Text clamped") << 3 << "10" << 1;
    QTest::newRow("MinValue clamping the value") << 4 << "9" << 1;
    QTest::newRow("MinValue unchanged") << 5 << "8" << 0;
    QTest::newRow("MaxValue clamping the value") << 6 << "5" << 1;
    QTest::newRow("DisplayFormat") << 7 << "8" << 0;
    QTest::newRow("DecimalPlaces rounding the text") << 8 << "9" << 1;
    QTest::newRow("ZeroEmpty") << 9 << "0" << 1;
    QTest::newRow("Alignment") << 10 << "8" << 0;
}

void TestCurrEdit::propertyWritesRaiseChangeOnlyWhenTextChanges() {
    QFETCH(int, write);
    QFETCH(QString, expectedText);
    QFETCH(int, changes);
    QSignalSpy spy(m_l, &TCustomNumEdit::OnChange);
    switch (write) {
    case 0:
        m_l->SetValue(5);
        break;
    case 1:
        m_l->SetValue(8);
        break;
    case 2:
        m_l->SetText(QStringLiteral(" 7.5 "));
        break;
    case 3:
        m_l->SetText(QStringLiteral("1E3"));
        break;
    case 4:
        m_l->SetMinValue(9);
        break;
    case 5:
        m_l->SetMinValue(0.1L);
        break;
    case 6:
        m_l->SetMaxValue(5);
        break;
    case 7:
        m_l->SetDisplayFormat(QStringLiteral("0.000"));
        break;
    case 8:
        m_l->SetValue(8.5L);
        spy.clear();
        m_l->SetDecimalPlaces(0);
        break;
    case 9:
        m_l->SetMinValue(0);
        m_l->SetValue(0);
        spy.clear();
        m_l->SetZeroEmpty(false);
        break;
    case 10:
        m_l->SetAlignment(TAlignment::taCenter);
        break;
    }
    QCOMPARE(m_l->text(), expectedText);
    QCOMPARE(spy.count(), changes);
}

void TestCurrEdit::textWriteRefusesUnreadableText() {
    QSignalSpy spy(m_l, &TCustomNumEdit::OnChange);
    QVERIFY_THROWS_EXCEPTION(EConvertError, m_l->SetText(QStringLiteral("abc")));
    QCOMPARE(m_l->text(), QStringLiteral("8"));
    QCOMPARE(spy.count(), 0);
    // Programmatic writes keep the value a finite number too.
    m_x->SetMinValue(0);
    m_x->SetMaxValue(0);
    m_x->SetValue(std::nanl(""));
    QCOMPARE(m_x->Value(), 0.0L);
}

void TestCurrEdit::entrySelectsAllExceptOnLeftClick() {
    moveFocusTo(m_l, Qt::TabFocusReason);
    QCOMPARE(m_l->selectedText(), QStringLiteral("8"));
    leaveField();
    // The press puts the caret where it lands whatever entry did, so only the selection's history
    // tells whether entry selected the text first. Through the window, so that the application
    // sees the button held down as a user's press would leave it.
    QSignalSpy selections(m_s, &QLineEdit::selectionChanged);
    const QPoint inField = m_s->mapTo(m_window.get(), QPoint(m_s->width() - 5, 10));
    QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {}, inField);
    QTRY_VERIFY(m_s->hasFocus());
    QVERIFY(!m_s->hasSelectedText());
    QCOMPARE(selections.count(), 0);
    leaveField();
    m_l->SetAutoSelect(false);
    moveFocusTo(m_l, Qt::TabFocusReason);
    QVERIFY(!m_l->hasSelectedText());
}

void TestCurrEdit::altChordsGoToTheWindow_data() {
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("Alt+digit") << Qt::Key_5;
    QTest::newRow("Alt+exponent letter") << Qt::Key_E;
    QTest::newRow("Alt+full stop") << Qt::Key_Period;
    QTest::newRow("Alt+minus") << Qt::Key_Minus;
    QTest::newRow("Alt+other letter") << Qt::Key_P;
}

// Alt chords are the window's mnemonics and shortcuts: the field neither types nor refuses them.
void TestCurrEdit::altChordsGoToTheWindow() {
    QFETCH(Qt::Key, key);
    struct KeysReaching : QObject {
        QList<int> keys;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::KeyPress)
                keys << static_cast<QKeyEvent*>(event)->key();
            return false;
        }
    } window;
    m_window->installEventFilter(&window);
    moveFocusTo(m_x);
    QTest::keyClicks(m_x, QStringLiteral("5"));
    QSignalSpy changes(m_x, &TCustomNumEdit::OnChange);
    QTest::keyClick(m_x, key, Qt::AltModifier);
    QCOMPARE(m_x->text(), QStringLiteral("5"));
    QCOMPARE(changes.count(), 0);
    QCOMPARE(m_beeps, 0);
    QCOMPARE(window.keys, (QList<int>{Qt::Key_Alt, key}));
}

void TestCurrEdit::displayFormatChangeRepaintsUnfocusedField() {
    struct CountPaints : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    m_l->installEventFilter(&counter);
    m_l->update();
    QTRY_VERIFY(counter.paints > 0); // nothing is left pending from showing the window
    counter.paints = 0;
    m_l->SetDisplayFormat(QStringLiteral("0.0"));
    QCOMPARE(m_l->ComposeDisplayText(), QStringLiteral("8.0"));
    QTRY_VERIFY(counter.paints > 0);
}

void TestCurrEdit::leavingUnreadableTextReportsAndKeepsFocus() {
    moveFocusTo(m_x);
    typeLonePlus(m_x);
    QSignalSpy changes(m_x, &TCustomNumEdit::OnChange);
    QTest::keyClick(m_x, Qt::Key_Tab);
    QCOMPARE(m_errors, QStringList{QStringLiteral("'+' is not a valid floating point value")});
    QTRY_VERIFY(m_x->hasFocus());
    QCOMPARE(QApplication::focusWidget(), m_x);
    QCOMPARE(m_x->selectedText(), QStringLiteral("+"));
    QCOMPARE(m_x->text(), QStringLiteral("+"));
    QCOMPARE(changes.count(), 0);
    // Escape rewrites from the stored value, untouched since no read happened; then it reads.
    QTest::keyClick(m_x, Qt::Key_Escape);
    QCOMPARE(m_x->text(), QString());
    QTest::keyClick(m_x, Qt::Key_Tab);
    QTRY_VERIFY(!m_x->hasFocus());
    QCOMPARE(m_errors.size(), 1);
}

// The application's report shows a message box, which takes the activation from the window; that
// must not count as leaving the field again, or each box would raise the next one.
void TestCurrEdit::errorBoxDoesNotCommitAgain() {
    int reports = 0;
    SetErrorReport([&reports](const std::exception&) {
        ++reports;
        QWidget box;
        box.show();
        box.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&box));
    });
    moveFocusTo(m_x);
    typeLonePlus(m_x);
    QTest::keyClick(m_x, Qt::Key_Tab);
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTRY_VERIFY(m_x->hasFocus());
    QCOMPARE(reports, 1);
    QCOMPARE(m_x->selectedText(), QStringLiteral("+"));
}

void TestCurrEdit::failedExitKeepsOtherFieldUntouched() {
    moveFocusTo(m_x);
    typeLonePlus(m_x);
    QSignalSpy scaleChanges(m_s, &TCustomNumEdit::OnChange);
    QTest::mouseClick(m_s, Qt::LeftButton);
    QTRY_VERIFY(m_x->hasFocus());
    QCOMPARE(m_errors.size(), 1);
    QCOMPARE(m_s->text(), QStringLiteral("1"));
    QCOMPARE(m_s->ComposeDisplayText(), QStringLiteral("1.00"));
    QCOMPARE(scaleChanges.count(), 0);
    // The scale field did not enter: a later entry still rewrites and selects as usual.
    m_x->SetText(QStringLiteral("3"));
    QTest::keyClick(m_x, Qt::Key_Tab);
    QTRY_VERIFY(m_s->hasFocus());
    QCOMPARE(m_s->selectedText(), QStringLiteral("1"));
    QCOMPARE(m_errors.size(), 1);
}

void TestCurrEdit::otherWindowIsNotAnExit() {
    moveFocusTo(m_x);
    typeLonePlus(m_x);
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(m_errors.isEmpty());
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTRY_VERIFY(m_x->hasFocus());
    QVERIFY(m_errors.isEmpty());
    QCOMPARE(m_x->text(), QStringLiteral("+"));
    // Still the edit box: the display text is not painted.
    QCOMPARE(m_x->cursorPosition(), 1);
}

void TestCurrEdit::popupMenuIsNotAnExit() {
    moveFocusTo(m_x);
    typeLonePlus(m_x);
    QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(5, 5),
                              m_x->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(m_x, &request);
    QMenu* menu = m_x->findChild<QMenu*>();
    QVERIFY(menu != nullptr);
    QTRY_VERIFY(menu->isVisible());
    menu->close();
    QTRY_VERIFY(m_x->hasFocus());
    QVERIFY(m_errors.isEmpty());
    QCOMPARE(m_x->text(), QStringLiteral("+"));
}

void TestCurrEdit::paintsDisplayTextWhileUnfocused() {
    const QRgb fill = m_l->palette().color(QPalette::Active, QPalette::Base).rgb();
    const int middle = m_l->width() / 2;
    QImage unfocused = m_l->grab().toImage();
    QVERIFY(firstInkColumn(unfocused, fill, 4, middle - 4) < 0);
    QVERIFY(firstInkColumn(unfocused, fill, middle, m_l->width() - 4) >= 0);

    m_l->SetAlignment(TAlignment::taLeftJustify);
    QImage left = m_l->grab().toImage();
    QVERIFY(firstInkColumn(left, fill, 4, middle) >= 0);

    // Focused, the edit box shows the edit text "8" at its left, not "8.00" at the right.
    m_l->SetAlignment(TAlignment::taRightJustify);
    moveFocusTo(m_l);
    m_l->deselect();
    QImage focused = m_l->grab().toImage();
    QVERIFY(focused != unfocused);
    QVERIFY(firstInkColumn(focused, fill, 4, middle) >= 0);
}

void TestCurrEdit::displayTextStandsInItsAlignedPlace_data() {
    QTest::addColumn<TAlignment>("alignment");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("shown");
    QTest::newRow("right, short") << TAlignment::taRightJustify << 8 << QStringLiteral("8.00");
    QTest::newRow("right, widest")
        << TAlignment::taRightJustify << -9999 << QStringLiteral("-9999.00");
    QTest::newRow("left") << TAlignment::taLeftJustify << 8 << QStringLiteral("8.00");
    QTest::newRow("centre") << TAlignment::taCenter << 1 << QStringLiteral("1.00");
}

void TestCurrEdit::displayTextStandsInItsAlignedPlace() {
    QFETCH(TAlignment, alignment);
    QFETCH(int, value);
    QFETCH(QString, shown);
    // Alone, at the window's size for a field; never focused, so it shows its display text.
    TCurrencyEdit field;
    field.resize(57, 21);
    field.SetDisplayFormat(QStringLiteral("0.00"));
    field.SetMaxValue(positionField.maxValue);
    field.SetMinValue(positionField.minValue);
    field.SetValue(value);
    field.SetAlignment(alignment);

    // Worked by hand for the 57 x 21 field: the style's frame leaves columns 1 to 55 and rows 1
    // to 19, and the line edit's own margins of 2 pixels across and 1 down leave the text a box
    // of columns 3 to 53 and rows 2 to 18, where the frame's shading does not reach.
    const QRect textBox(3, 2, 51, 17);
    const int width = field.fontMetrics().horizontalAdvance(shown);
    const int left = alignment == TAlignment::taLeftJustify ? textBox.left()
                     : alignment == TAlignment::taCenter
                         ? textBox.left() + (textBox.width() - width) / 2
                         : textBox.right() + 1 - width;
    QImage expected(field.size(), QImage::Format_RGB32);
    expected.fill(field.palette().color(QPalette::Active, QPalette::Base));
    QPainter painter(&expected);
    painter.setFont(field.font());
    painter.setPen(field.palette().color(QPalette::Active, QPalette::Text));
    painter.drawText(QRect(left, textBox.top(), width, textBox.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, shown);
    painter.end();

    const QRect inside(1, 2, 55, 17);
    const QImage painted = field.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(painted.copy(inside), expected.copy(inside));
}

void TestCurrEdit::disabledFieldPaintsGreyText() {
    const QColor enabledText = m_l->palette().color(QPalette::Active, QPalette::Text);
    const QColor greyText = m_l->palette().color(QPalette::Disabled, QPalette::Text);
    QVERIFY(enabledText != greyText);
    const auto darkestPixel = [](const QImage& image) {
        int darkest = 255;
        for (int y = 3; y < image.height() - 3; ++y) {
            for (int x = 3; x < image.width() - 3; ++x)
                darkest = std::min(darkest, qGray(image.pixel(x, y)));
        }
        return darkest;
    };
    const int enabledInk = darkestPixel(m_l->grab().toImage());
    m_l->setEnabled(false);
    const int disabledInk = darkestPixel(m_l->grab().toImage());
    QVERIFY2(disabledInk > enabledInk,
             qPrintable(QStringLiteral("%1 vs %2").arg(disabledInk).arg(enabledInk)));
}

void TestCurrEdit::fieldMenuOffersWhatTheFieldAllows_data() {
    QTest::addColumn<bool>("focused");
    QTest::addColumn<QString>("typed"); // over the text "8", all selected on entry
    QTest::addColumn<bool>("selectAll");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("entries"); // + enabled, - disabled, | a separator

    QTest::newRow("all selected, text to paste")
        << true << QString() << true << "5"
        << "undo- redo- | cut+ copy+ paste+ delete+ | select-all-";
    QTest::newRow("nothing selected, nothing to paste")
        << true << QString() << false << ""
        << "undo- redo- | cut- copy- paste- delete- | select-all+";
    QTest::newRow("after typing") << true << "7" << false << "5"
                                  << "undo+ redo- | cut- copy- paste+ delete- | select-all+";
    // A field without the focus takes no text, but what it shows may still be copied.
    QTest::newRow("without the focus") << false << QString() << true << "5"
                                       << "undo- redo- | cut- copy+ paste- delete- | select-all-";
}

void TestCurrEdit::fieldMenuOffersWhatTheFieldAllows() {
    QFETCH(bool, focused);
    QFETCH(QString, typed);
    QFETCH(bool, selectAll);
    QFETCH(QString, clipboard);
    QFETCH(QString, entries);
    QGuiApplication::clipboard()->setText(clipboard);
    if (focused) {
        moveFocusTo(m_l);
        QTest::keyClicks(m_l, typed);
    }
    if (selectAll)
        m_l->selectAll();
    else
        m_l->deselect();

    const std::unique_ptr<QMenu> menu(m_l->CreateFieldContextMenu());
    QStringList offered;
    for (const QAction* action : menu->actions())
        offered << (action->isSeparator() ? QStringLiteral("|")
                                          : action->objectName().remove(QStringLiteral("edit-")) +
                                                (action->isEnabled() ? u'+' : u'-'));
    QCOMPARE(offered.join(u' '), entries);
}

QTEST_MAIN(TestCurrEdit)
#include "tst_curredit.moc"
