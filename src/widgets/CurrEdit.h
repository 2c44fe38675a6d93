#pragma once

#include "Alignment.h"
#include "calc/Extended.h"

#include <QLineEdit>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class QMenu;

namespace vexto {

// A line edit that holds one extended number between two bounds. While focused it shows its edit
// text, which only ever grows by keystrokes that leave a readable number; pasted and dropped text
// must read as a whole or is rolled back. While unfocused it paints the value in DisplayFormat.
// OnChange follows every change of the edit text except the field's own rewrite on focus entry and
// exit.
class TCustomNumEdit : public QLineEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TCustomNumEdit)

public:
    using BeepHandler = std::function<void()>;

    explicit TCustomNumEdit(QWidget* owner = nullptr);
    ~TCustomNumEdit() override;

    // Parses the edit text, clamps it and keeps the result as the stored value. Changes no text,
    // repaints nothing, emits nothing; an unreadable text gives MinValue.
    Extended Value() noexcept;
    void SetValue(Extended value);

    Extended MinValue() const { return m_minValue; }
    void SetMinValue(Extended minValue);
    Extended MaxValue() const { return m_maxValue; }
    void SetMaxValue(Extended maxValue);

    unsigned DecimalPlaces() const { return m_decimalPlaces; }
    void SetDecimalPlaces(unsigned decimalPlaces);
    QString DisplayFormat() const { return m_displayFormat; }
    void SetDisplayFormat(const QString& displayFormat);
    bool ZeroEmpty() const { return m_zeroEmpty; }
    void SetZeroEmpty(bool zeroEmpty);
    bool BeepOnError() const { return m_beepOnError; }
    void SetBeepOnError(bool beepOnError) { m_beepOnError = beepOnError; }
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment);
    bool AutoSelect() const { return m_autoSelect; }
    void SetAutoSelect(bool autoSelect) { m_autoSelect = autoSelect; }

    QString Text() const { return text(); }
    // Reads the text as a number (raising EConvertError when it does not read), stores it clamped
    // and rewrites the edit text from it.
    void SetText(const QString& text);

    // The standard edit menu, with its paste going through the field's paste rule.
    QMenu* CreateFieldContextMenu();

    // Every beep of every field goes here; the default is the platform's beep.
    static void SetBeepHandler(BeepHandler handler);

    virtual void RewriteEditText();
    virtual QString StandardDisplayFormat() const;
    // Whether typing text at the caret (over the selection) leaves text the field may hold.
    virtual bool AcceptsKey(const QString& typed) const;
    virtual QString ComposeDisplayText() const;

signals:
    void OnChange(QObject* sender);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

    // For a derived class's constructor, where the virtual StandardDisplayFormat is its own.
    void InitDisplayFormat(const QString& displayFormat) { m_displayFormat = displayFormat; }

private:
    // The text read as a number (raising EConvertError when it does not read), clamped.
    Extended readClamped(const QString& text) const;
    void commitText();
    bool acceptsReplacement(qsizetype start, qsizetype length, const QString& typed) const;
    void replaceEditText(const QString& text);
    void rewriteWhileReformatting();
    void handleTypedText(QKeyEvent* event, const QString& typed);
    // False when the pasted text did not read and was rolled back.
    bool pasteThrough(const std::function<void()>& editBoxPaste);
    void pasteFromClipboard();
    void insertFirstLine(const QString& pasted);
    void enter();
    // Brings the focus here for text coming in by a drop; false when it stays in a field whose
    // text does not read, which has reported that.
    bool takeFocusForText();
    bool isExitTo(const QWidget* newFocus, Qt::FocusReason reason) const;
    // False when the text did not read and the focus stays in the field.
    bool leave();
    void refuse() const;
    QRect displayTextRect(int textWidth) const;
    void paintDisplayText();

    Extended m_value = 0;
    Extended m_minValue = 0;
    Extended m_maxValue = 0;
    unsigned m_decimalPlaces = 2;
    TAlignment m_alignment = TAlignment::taRightJustify;
    QString m_displayFormat;
    bool m_hasFocus = false;
    bool m_beepOnError = true;
    bool m_zeroEmpty = true;
    bool m_autoSelect = true;
    bool m_reformatting = false;
};

// The field of the window's five inputs: the numeric field with a two-decimal display format.
class TCurrencyEdit : public TCustomNumEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TCurrencyEdit)

public:
    explicit TCurrencyEdit(QWidget* owner = nullptr);

    QString StandardDisplayFormat() const override;
};

} // namespace vexto
