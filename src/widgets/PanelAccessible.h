#pragma once

#include <QAccessibleWidget>
#include <QString>

namespace vexto {

class TVxPanel;

// What assistive technology sees of a result cell: static text named after the cell, whose text
// is the caption read as one line ("X = 1.00, Y = 2.00").
class PanelAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit PanelAccessible(TVxPanel* panel);

    // The caption with each line break (CR, LF or the pair) read as ", ".
    static QString SpokenCaption(const QString& caption);
    // Tells assistive technology that the panel's caption was `previous` and is now its Caption().
    static void CaptionChanged(TVxPanel* panel, const QString& previous);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text type) const override;
    QAccessible::State state() const override;

    // Read-only text without selection or caret.
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    TVxPanel* panel() const;
    QString spokenText() const;
};

} // namespace vexto
