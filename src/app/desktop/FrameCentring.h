#pragma once

#include "X11Desktop.h"

#include <QAbstractNativeEventFilter>
#include <QMargins>
#include <QObject>
#include <QPoint>

#include <optional>

class QWidget;

namespace vexto {

// Centres a top-level window with its frame, title bar and borders included, on its screen when
// it is first shown. The frame's size is the window manager's to tell: it is asked for before
// the window maps, so the window appears in its place at once; should the frame the manager
// makes differ from its answer, the window is moved once more, unless the user has moved it
// meanwhile. Without X11 the client area is centred (a Wayland client does not place windows).
class FrameCentring : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FrameCentring)

public:
    // The window becomes the parent. Asks for the frame's size at once.
    explicit FrameCentring(QWidget* window);
    ~FrameCentring() override;

    // Call on the window's first show, before it maps.
    void PlaceCentred();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    std::uint32_t windowId() const;
    void placeWithin(const QMargins& frame);

    QWidget* m_window;
    std::optional<X11Desktop> m_x11;
    bool m_awaitingAnswer = false;
    bool m_listening = false;
    QMargins m_placedWithin;
    QPoint m_placedAt;
};

} // namespace vexto
