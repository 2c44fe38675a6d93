#pragma once

#include <QAccessibleWidget>
#include <QStringList>

namespace vexto {

class TLinkLabel;

// What assistive technology sees of the website link: a link named after its address, which the
// press action opens.
class LinkAccessible : public QAccessibleWidget {
public:
    explicit LinkAccessible(TLinkLabel* link);

    QString text(QAccessible::Text type) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    TLinkLabel* link() const;
};

} // namespace vexto
