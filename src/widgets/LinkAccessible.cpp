#include "LinkAccessible.h"

#include "LinkLabel.h"
#include "calc/ErrorReport.h"

namespace vexto {

LinkAccessible::LinkAccessible(TLinkLabel* link) : QAccessibleWidget(link, QAccessible::Link) {}

TLinkLabel* LinkAccessible::link() const {
    return static_cast<TLinkLabel*>(widget());
}

QString LinkAccessible::text(QAccessible::Text type) const {
    if (type == QAccessible::Name && widget()->accessibleName().isEmpty())
        return link()->Address();
    return QAccessibleWidget::text(type);
}

QStringList LinkAccessible::actionNames() const {
    return {pressAction()};
}

void LinkAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction())
        RunGuarded([this] { link()->Open(); });
}

} // namespace vexto
