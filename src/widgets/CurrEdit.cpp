#include "CurrEdit.h"

#include "ReadableColor.h"
#include "calc/ErrorReport.h"
#include "calc/Exception.h"
#include "calc/LocaleSeparators.h"
#include "calc/NumberText.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace vexto {

namespace {

// The line edit's own inner margins around its text, which the display text keeps too so that it
// does not jump when the focus arrives.
constexpr int horizontalTextMargin = 2;
constexpr int verticalTextMargin = 1;

// The characters of a field are 8-bit; anything beyond Latin-1 becomes a byte that is neither a
// digit nor a separator, so it never reads.
constexpr char unreadableCharacter = '\x7f';

// Fields keep their own text short; the buffer only spills to the heap for pasted novels.
std::string toEightBit(const QString& text) {
    std::string bytes(static_cast<std::size_t>(text.size()), unreadableCharacter);
    for (qsizetype index = 0; index < text.size(); ++index) {
        const char16_t unit = text[index].unicode();
        if (unit < 0x100)
            bytes[static_cast<std::size_t>(index)] = static_cast<char>(unit);
    }
    return bytes;
}

QString fromEightBit(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Both the full-stop and the comma key type the locale's decimal separator.
QString withDecimalSeparator(QString typed) {
    const QChar separator = QChar::fromLatin1(CurrentSeparators().decimal);
    for (QChar& character : typed) {
        if (character == u'.' || character == u',')
            character = separator;
    }
    return typed;
}

bool isTypedText(const QString& text) {
    if (text.isEmpty())
        return false;
    for (const QChar character : text) {
        if (!character.isPrint())
            return false;
    }
    return true;
}

bool isPasteKey(const QKeyEvent* event) {
    return event->matches(QKeySequence::Paste) ||
           (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ShiftModifier);
}

// Editing chords whose key event may still carry a printable character; they go to the edit box,
// any other chord with a printable character is left to the window's shortcuts.
bool isEditingChord(const QKeyEvent* event) {
    static constexpr std::array editingKeys = {
        QKeySequence::Undo,
        QKeySequence::Redo,
        QKeySequence::Cut,
        QKeySequence::Copy,
        QKeySequence::SelectAll,
        QKeySequence::Deselect,
        QKeySequence::DeleteEndOfLine,
        QKeySequence::DeleteStartOfWord,
        QKeySequence::DeleteEndOfWord,
        QKeySequence::DeleteCompleteLine,
        QKeySequence::MoveToStartOfLine,
        QKeySequence::MoveToEndOfLine,
        QKeySequence::MoveToNextChar,
        QKeySequence::MoveToPreviousChar,
        QKeySequence::MoveToNextWord,
        QKeySequence::MoveToPreviousWord,
        QKeySequence::SelectStartOfLine,
        QKeySequence::SelectEndOfLine,
    };
    for (const QKeySequence::StandardKey key : editingKeys) {
        if (event->matches(key))
            return true;
    }
    return false;
}

TCustomNumEdit::BeepHandler& installedBeep() {
    static TCustomNumEdit::BeepHandler beep = [] { QApplication::beep(); };
    return beep;
}

KeyRules keyRulesOf(const TCustomNumEdit& field) {
    return {field.DecimalPlaces(), field.MinValue(), field.MaxValue(), CurrentSeparators()};
}

bool canTakeFocus(const QWidget& widget) {
    return widget.isVisible() && widget.isEnabled() && widget.focusPolicy() != Qt::NoFocus;
}

// A single-line field takes a pasted or dropped text up to its first line break, so that a number
// copied from a terminal or a spreadsheet cell pastes without its line end.
QString firstLine(const QString& text) {
    const auto lineBreak = std::find_if(text.cbegin(), text.cend(), [](QChar character) {
        return character == u'\r' || character == u'\n';
    });
    return text.left(lineBreak - text.cbegin());
}

void refuseDrop(QDropEvent* event) {
    // An ignored drop reaches the source as neither copied nor moved, whatever action was set on
    // it, so a source that honours a move keeps its text.
    event->ignore();
}

} // namespace

TCustomNumEdit::TCustomNumEdit(QWidget* owner)
    : QLineEdit(owner), m_displayFormat(TCustomNumEdit::StandardDisplayFormat()) {
    // No length limit: a long pasted text reads by the usual rules instead of being cut.
    setMaxLength(std::numeric_limits<int>::max());
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!m_reformatting)
            emit OnChange(this);
    });
}

TCustomNumEdit::~TCustomNumEdit() = default;

Extended TCustomNumEdit::Value() noexcept {
    try {
        const NumberSeparators separators = CurrentSeparators();
        const std::optional<Extended> read =
            TryReadNumber(NormaliseNumberText(toEightBit(text()), separators), separators.decimal);
        m_value = read ? ClampValue(*read, m_minValue, m_maxValue) : m_minValue;
    } catch (...) {
        // Only running out of memory for a huge text gets here; the read still must not fail.
        m_value = m_minValue;
    }
    return m_value;
}

void TCustomNumEdit::SetValue(Extended value) {
    value = ClampValue(value, m_minValue, m_maxValue);
    // Text can only ever give finite numbers; keep programmatic writes to the same values.
    if (!std::isfinite(value))
        value = m_minValue;
    m_value = value;
    RewriteEditText();
    update();
}

void TCustomNumEdit::SetMinValue(Extended minValue) {
    if (minValue == m_minValue)
        return;
    m_minValue = minValue;
    SetValue(m_value);
}

void TCustomNumEdit::SetMaxValue(Extended maxValue) {
    if (maxValue == m_maxValue)
        return;
    m_maxValue = maxValue;
    SetValue(m_value);
}

void TCustomNumEdit::SetDecimalPlaces(unsigned decimalPlaces) {
    if (decimalPlaces == m_decimalPlaces)
        return;
    m_decimalPlaces = decimalPlaces;
    RewriteEditText();
    update();
}

void TCustomNumEdit::SetDisplayFormat(const QString& displayFormat) {
    if (displayFormat == m_displayFormat)
        return;
    m_displayFormat = displayFormat;
    update();
    RewriteEditText();
}

void TCustomNumEdit::SetZeroEmpty(bool zeroEmpty) {
    if (zeroEmpty == m_zeroEmpty)
        return;
    m_zeroEmpty = zeroEmpty;
    RewriteEditText();
}

void TCustomNumEdit::SetAlignment(TAlignment alignment) {
    if (alignment == m_alignment)
        return;
    m_alignment = alignment;
    update();
}

void TCustomNumEdit::SetText(const QString& text) {
    m_value = readClamped(text);
    RewriteEditText();
    update();
}

void TCustomNumEdit::SetBeepHandler(BeepHandler handler) {
    installedBeep() = handler ? std::move(handler) : BeepHandler([] { QApplication::beep(); });
}

void TCustomNumEdit::RewriteEditText() {
    replaceEditText(fromEightBit(
        WriteEditText(m_value, m_decimalPlaces, m_zeroEmpty, CurrentSeparators().decimal)));
}

QString TCustomNumEdit::StandardDisplayFormat() const {
    return QStringLiteral("0.##");
}

bool TCustomNumEdit::AcceptsKey(const QString& typed) const {
    const qsizetype start = hasSelectedText() ? selectionStart() : cursorPosition();
    const qsizetype replaced = hasSelectedText() ? selectionLength() : 0;
    return acceptsReplacement(start, replaced, typed);
}

bool TCustomNumEdit::acceptsReplacement(qsizetype start, qsizetype length,
                                        const QString& typed) const {
    const QString current = text();
    const QString candidate = current.left(start) + typed + current.mid(start + length);
    return vexto::AcceptsKey(toEightBit(candidate), keyRulesOf(*this));
}

QString TCustomNumEdit::ComposeDisplayText() const {
    return fromEightBit(vexto::ComposeDisplayText(m_value, toEightBit(m_displayFormat),
                                                  CurrentSeparators().decimal));
}

QMenu* TCustomNumEdit::CreateFieldContextMenu() {
    // Built here rather than taken from the line edit, whose paste entry would bypass the paste
    // rule and cannot be told apart from the others reliably.
    auto* menu = new QMenu(this);
    const auto addEntry = [this, menu](const char* name, const QString& label,
                                       QKeySequence::StandardKey key, bool enabled,
                                       auto&& handler) {
        const QString shortcut = QKeySequence(key).toString(QKeySequence::NativeText);
        QAction* action = menu->addAction(shortcut.isEmpty() ? label : label + u'\t' + shortcut);
        action->setObjectName(QLatin1String(name));
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this,
                [handler = std::forward<decltype(handler)>(handler)] { RunGuarded(handler); });
    };
    // A field that did not get the focus (another field's text does not read) takes no text.
    const bool editable = !isReadOnly() && m_hasFocus;
    const bool selection = hasSelectedText() && echoMode() == QLineEdit::Normal;
    const bool clipboardHasText = !QGuiApplication::clipboard()->text().isEmpty();

    addEntry("edit-undo", tr("&Undo"), QKeySequence::Undo, editable && isUndoAvailable(),
             [this] { undo(); });
    addEntry("edit-redo", tr("&Redo"), QKeySequence::Redo, editable && isRedoAvailable(),
             [this] { redo(); });
    menu->addSeparator();
    addEntry("edit-cut", tr("Cu&t"), QKeySequence::Cut, editable && selection, [this] { cut(); });
    addEntry("edit-copy", tr("&Copy"), QKeySequence::Copy, selection, [this] { copy(); });
    addEntry("edit-paste", tr("&Paste"), QKeySequence::Paste, editable && clipboardHasText,
             [this] { pasteFromClipboard(); });
    addEntry("edit-delete", tr("Delete"), QKeySequence::UnknownKey, editable && hasSelectedText(),
             [this] { del(); });
    menu->addSeparator();
    addEntry("select-all", tr("Select All"), QKeySequence::SelectAll,
             !text().isEmpty() && selectedText() != text(), [this] { selectAll(); });
    return menu;
}

void TCustomNumEdit::keyPressEvent(QKeyEvent* event) {
    RunGuarded([this, event] {
        if (isPasteKey(event)) {
            pasteFromClipboard();
            event->accept();
            return;
        }
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Offered to the window (a default button would take it); never a line break.
            event->ignore();
            return;
        case Qt::Key_Escape:
            RewriteEditText();
            selectAll();
            event->accept();
            return;
        default:
            break;
        }
        const QString typed = event->text();
        if (!isTypedText(typed)) {
            QLineEdit::keyPressEvent(event);
            return;
        }
        if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
            if (isEditingChord(event))
                QLineEdit::keyPressEvent(event);
            else
                event->ignore();
            return;
        }
        handleTypedText(event, withDecimalSeparator(typed));
    });
}

void TCustomNumEdit::handleTypedText(QKeyEvent* event, const QString& typed) {
    event->accept();
    if (!AcceptsKey(typed)) {
        refuse();
        return;
    }
    QKeyEvent mapped(event->type(), event->key(), event->modifiers(), typed, event->isAutoRepeat(),
                     static_cast<quint16>(event->count()));
    QLineEdit::keyPressEvent(&mapped);
}

void TCustomNumEdit::inputMethodEvent(QInputMethodEvent* event) {
    RunGuarded([this, event] {
        if (event->commitString().isEmpty()) {
            QLineEdit::inputMethodEvent(event);
            return;
        }
        const QString typed = withDecimalSeparator(event->commitString());
        const bool accepted = event->replacementLength() == 0
                                  ? AcceptsKey(typed)
                                  : acceptsReplacement(cursorPosition() + event->replacementStart(),
                                                       event->replacementLength(), typed);
        QInputMethodEvent filtered(event->preeditString(), event->attributes());
        if (accepted)
            filtered.setCommitString(typed, event->replacementStart(), event->replacementLength());
        else
            refuse();
        QLineEdit::inputMethodEvent(&filtered);
        event->accept();
    });
}

void TCustomNumEdit::focusInEvent(QFocusEvent* event) {
    RunGuarded([this, event] {
        const bool byLeftPress = event->reason() == Qt::MouseFocusReason &&
                                 QGuiApplication::mouseButtons().testFlag(Qt::LeftButton);
        const bool entering = !m_hasFocus;
        if (entering)
            enter();
        const int caret = cursorPosition();
        QLineEdit::focusInEvent(event);
        if (!entering)
            return;
        if (m_autoSelect && !byLeftPress)
            selectAll();
        else if (!m_autoSelect && hasSelectedText())
            setCursorPosition(caret);
    });
}

void TCustomNumEdit::focusOutEvent(QFocusEvent* event) {
    RunGuarded([this, event] {
        if (m_hasFocus && isExitTo(QApplication::focusWidget(), event->reason())) {
            // A failed commit has put the focus back here and reported the error; the report
            // may have run a modal loop in which anything happened, even to this field.
            if (!leave())
                return;
        }
        QLineEdit::focusOutEvent(event);
    });
}

void TCustomNumEdit::enter() {
    m_hasFocus = true;
    update();
    rewriteWhileReformatting();
}

bool TCustomNumEdit::takeFocusForText() {
    if (m_hasFocus)
        return true;
    if (!canTakeFocus(*this))
        return false;
    if (!isActiveWindow()) {
        // An inactive window gets no focus events, so the field holding its focus is left here;
        // it keeps the focus when its text does not read.
        auto* holder = qobject_cast<TCustomNumEdit*>(window()->focusWidget());
        if (holder != nullptr && holder != this && holder->m_hasFocus && !holder->leave())
            return false;
    }
    setFocus(Qt::MouseFocusReason);
    if (!m_hasFocus && window()->focusWidget() == this)
        enter();
    return m_hasFocus;
}

bool TCustomNumEdit::isExitTo(const QWidget* newFocus, Qt::FocusReason reason) const {
    // Another window, a popup or a menu taking the focus leaves the field where it was: a message
    // box about this field's own text must not make it commit again.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
        reason == Qt::MenuBarFocusReason)
        return false;
    return newFocus != nullptr && newFocus != this && newFocus->window() == window();
}

bool TCustomNumEdit::leave() {
    try {
        commitText();
    } catch (const EConvertError& error) {
        selectAll();
        if (canTakeFocus(*this))
            setFocus(Qt::OtherFocusReason);
        ReportError(error);
        return false;
    }
    m_hasFocus = false;
    update();
    rewriteWhileReformatting();
    setCursorPosition(0);
    return true;
}

void TCustomNumEdit::mouseReleaseEvent(QMouseEvent* event) {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && clipboard->supportsSelection()) {
        RunGuarded([this, clipboard] {
            // The press has already tried to bring the focus here, and reported a field that
            // kept it; trying again would report it twice.
            if (!m_hasFocus)
                return;
            pasteThrough([this, clipboard] {
                deselect();
                insertFirstLine(clipboard->text(QClipboard::Selection));
            });
        });
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TCustomNumEdit::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasText()) {
        QLineEdit::dropEvent(event);
        return;
    }
    RunGuarded([this, event] {
        // A drop is a paste into the focused field, so the entry rewrite comes first.
        if (!takeFocusForText()) {
            refuseDrop(event);
            return;
        }
        QMimeData firstLineOnly;
        firstLineOnly.setText(firstLine(event->mimeData()->text()));
        QDropEvent lineDrop(event->position(), event->possibleActions(), &firstLineOnly,
                            event->buttons(), event->modifiers(), event->type());
        lineDrop.setDropAction(event->dropAction());
        const bool taken = pasteThrough([this, &lineDrop] { QLineEdit::dropEvent(&lineDrop); });
        if (!taken || !lineDrop.isAccepted()) {
            refuseDrop(event);
            return;
        }
        event->setDropAction(lineDrop.dropAction());
        event->accept();
    });
}

void TCustomNumEdit::contextMenuEvent(QContextMenuEvent* event) {
    RunGuarded([this, event] {
        QMenu* menu = CreateFieldContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(event->globalPos());
        event->accept();
    });
}

QRect TCustomNumEdit::displayTextRect(int textWidth) const {
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    const QRect lineRect = style()
                               ->subElementRect(QStyle::SE_LineEditContents, &panel, this)
                               .marginsRemoved(textMargins())
                               .adjusted(horizontalTextMargin, verticalTextMargin,
                                         -horizontalTextMargin, -verticalTextMargin);
    int left = lineRect.left();
    switch (m_alignment) {
    case TAlignment::taLeftJustify:
        break;
    case TAlignment::taRightJustify:
        left = lineRect.left() + lineRect.width() - textWidth;
        break;
    case TAlignment::taCenter:
        left = lineRect.left() + (lineRect.width() - textWidth) / 2;
        break;
    }
    return {left, lineRect.top(), textWidth, lineRect.height()};
}

void TCustomNumEdit::paintEvent(QPaintEvent* event) {
    if (m_hasFocus) {
        QLineEdit::paintEvent(event);
        return;
    }
    RunGuarded([this] { paintDisplayText(); });
}

void TCustomNumEdit::paintDisplayText() {
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    // Draws the style's frame and fills the inside with the field's base colour.
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);

    const QString shown = ComposeDisplayText();
    const QRect area = displayTextRect(fontMetrics().horizontalAdvance(shown));
    const QRect inside = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this);
    const QPalette::ColorGroup group = !isEnabled()       ? QPalette::Disabled
                                       : isActiveWindow() ? QPalette::Active
                                                          : QPalette::Inactive;
    painter.setClipRect(inside);
    painter.setFont(font());
    // The display text is ours to paint, so it is ours to keep readable on the field's colour.
    painter.setPen(ReadableTintOn(palette().color(group, QPalette::Base),
                                  palette().color(group, QPalette::Text)));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

Extended TCustomNumEdit::readClamped(const QString& text) const {
    const NumberSeparators separators = CurrentSeparators();
    const Extended read =
        ReadNumber(NormaliseNumberText(toEightBit(text), separators), separators.decimal);
    return ClampValue(read, m_minValue, m_maxValue);
}

void TCustomNumEdit::commitText() {
    m_value = readClamped(text());
}

void TCustomNumEdit::replaceEditText(const QString& newText) {
    if (newText != text())
        setText(newText);
}

void TCustomNumEdit::rewriteWhileReformatting() {
    const QScopedValueRollback reformatting(m_reformatting, true);
    RewriteEditText();
}

bool TCustomNumEdit::pasteThrough(const std::function<void()>& editBoxPaste) {
    const QString remembered = text();
    editBoxPaste();
    try {
        commitText();
        return true;
    } catch (const EConvertError&) {
        replaceEditText(remembered);
        selectAll();
        if (!hasFocus() && canTakeFocus(*this))
            setFocus(Qt::OtherFocusReason);
        refuse();
        return false;
    }
}

void TCustomNumEdit::pasteFromClipboard() {
    if (isReadOnly() || !m_hasFocus)
        return;
    const QString pasted = QGuiApplication::clipboard()->text();
    pasteThrough([this, &pasted] {
        // The edit box's own paste keeps the paste a separate undo step; it would take the
        // line breaks along, though.
        if (!pasted.contains(u'\r') && !pasted.contains(u'\n'))
            paste();
        else
            insertFirstLine(pasted);
    });
}

void TCustomNumEdit::insertFirstLine(const QString& pasted) {
    const QString line = firstLine(pasted);
    // As the edit box's own paste: nothing to insert and nothing selected changes nothing.
    if (!line.isEmpty() || hasSelectedText())
        insert(line);
}

void TCustomNumEdit::refuse() const {
    if (m_beepOnError)
        installedBeep()();
}

TCurrencyEdit::TCurrencyEdit(QWidget* owner) : TCustomNumEdit(owner) {
    InitDisplayFormat(TCurrencyEdit::StandardDisplayFormat());
}

QString TCurrencyEdit::StandardDisplayFormat() const {
    return QStringLiteral("0.00");
}

} // namespace vexto
