#pragma once

#include <QLabel>
#include <QPoint>
#include <QString>
#include <QTimer>

#include <cstdint>

namespace vexto {

// The scheme put in front of the link target, in the order of their ordinals.
enum class tLinkType : std::uint8_t {
    ltfile,
    ltftp,
    ltgopher,
    lthttp,
    lthttps,
    ltmailto,
    ltnews,
    lttelnet,
    ltwais,
};

// A label that opens its address in the user's default program when the left button goes down
// on it. Drawn as a plain underlined blue label with the hand pointer, the blue lightened or
// darkened just enough to read on a window whose colour scheme it does not suit; never takes the
// focus.
// Its tooltip shows HintPauseMs after the pointer comes to rest on it, for HintHidePauseMs.
class TLinkLabel : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TLinkLabel)

public:
    static constexpr int HintPauseMs = 500;
    static constexpr int HintHidePauseMs = 2500;

    explicit TLinkLabel(QWidget* owner = nullptr);

    tLinkType LinkType() const { return m_linkType; }
    void SetLinkType(tLinkType linkType) { m_linkType = linkType; }

    QString HyperLink() const { return m_hyperLink; }
    // An empty caption takes the new target, without its prefix; a caption already set stays.
    void SetHyperLink(const QString& hyperLink);

    // The prefix of LinkType followed directly by HyperLink, nothing added or removed.
    QString Address() const;
    // Hands Address() to the desktop, as a left press on the label does.
    void Open() const;

protected:
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void keepLinkReadable();
    bool isSecondPressOfDoubleClick(const QMouseEvent* event);
    void restartHintPause(QPointF globalPosition);
    void showHint();

    tLinkType m_linkType = tLinkType::lthttp;
    QString m_hyperLink;
    quint64 m_lastPressTime = 0;
    QPointF m_lastPressPosition;
    QTimer m_hintPause;
    QPoint m_restPosition;
    bool m_hintShown = false;
};

} // namespace vexto
