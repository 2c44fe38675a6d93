#pragma once

#include <QWidget>

namespace vexto {

// The title bar a window draws for itself where the window system leaves the frame to it: the
// window's icon and title, active or not, and a place to drag the window by. It offers no
// buttons, as the window allows none; Qt's stand-in frame would offer minimise, maximise and
// close.
class ClientTitleBar : public QWidget {
    Q_OBJECT

public:
    // Puts the bar above the window's content: the window, not yet shown and of fixed size,
    // grows by the bar's height, and its children move down by as much.
    explicit ClientTitleBar(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void makeRoomIn(QWidget& window);
};

} // namespace vexto
