#include "PanelAccessible.h"

#include "VxPanel.h"

namespace vexto {

PanelAccessible::PanelAccessible(TVxPanel* panel)
    : QAccessibleWidget(panel, QAccessible::StaticText) {}

QString PanelAccessible::SpokenCaption(const QString& caption) {
    QString spoken = caption;
    spoken.replace(QStringLiteral("\r\n"), QStringLiteral(", "));
    spoken.replace(u'\r', QStringLiteral(", "));
    spoken.replace(u'\n', QStringLiteral(", "));
    return spoken;
}

void PanelAccessible::CaptionChanged(TVxPanel* panel, const QString& previous) {
    // Without a listening bridge Qt drops the event anyway; a keystroke changes 49 captions.
    if (!QAccessible::isActive())
        return;
    QAccessibleTextUpdateEvent event(panel, 0, SpokenCaption(previous),
                                     SpokenCaption(panel->Caption()));
    QAccessible::updateAccessibility(&event);
}

TVxPanel* PanelAccessible::panel() const {
    return static_cast<TVxPanel*>(widget());
}

QString PanelAccessible::spokenText() const {
    return SpokenCaption(panel()->Caption());
}

void* PanelAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString PanelAccessible::text(QAccessible::Text type) const {
    if (type == QAccessible::Name && widget()->accessibleName().isEmpty())
        return widget()->objectName();
    return QAccessibleWidget::text(type);
}

QAccessible::State PanelAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    return state;
}

QString PanelAccessible::text(int startOffset, int endOffset) const {
    const QString spoken = spokenText();
    if (startOffset < 0 || endOffset < startOffset || endOffset > spoken.size())
        return {};
    return spoken.mid(startOffset, endOffset - startOffset);
}

int PanelAccessible::characterCount() const {
    return int(spokenText().size());
}

void PanelAccessible::selection(int, int* startOffset, int* endOffset) const {
    *startOffset = 0;
    *endOffset = 0;
}

// Characters have no place of their own: the cell lays its caption out when it paints.
QRect PanelAccessible::characterRect(int) const {
    return {};
}

int PanelAccessible::offsetAtPoint(const QPoint&) const {
    return -1;
}

QString PanelAccessible::attributes(int, int* startOffset, int* endOffset) const {
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

} // namespace vexto
