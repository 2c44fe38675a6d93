#include "WidgetAccessibility.h"

#include "LinkAccessible.h"
#include "LinkLabel.h"
#include "PanelAccessible.h"
#include "VxPanel.h"

namespace vexto {

namespace {

// Asked once for each class in an object's inheritance chain, most derived first.
QAccessibleInterface* widgetInterface(const QString& className, QObject* object) {
    if (className == QLatin1StringView(TVxPanel::staticMetaObject.className()))
        return new PanelAccessible(static_cast<TVxPanel*>(object));
    if (className == QLatin1StringView(TLinkLabel::staticMetaObject.className()))
        return new LinkAccessible(static_cast<TLinkLabel*>(object));
    return nullptr;
}

} // namespace

void InstallWidgetAccessibility() {
    // Qt keeps one entry per factory function, so a second install adds nothing.
    QAccessible::installFactory(widgetInterface);
}

} // namespace vexto
