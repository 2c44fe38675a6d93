#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPoint>
#include <QTimer>

#include <functional>

class QWidget;

namespace vexto {

// The one program-wide poll that puts a hot cell back when the pointer has left it without the
// window system telling it (a fast move out of the window). At most one control is attached; the
// 200 ms timer runs only while one is, so an idle program gets no wake-ups.
class TVxMouseTimer : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TVxMouseTimer)

public:
    static constexpr int IntervalMs = 200;

    // Created on first use and owned by the application object, which destroys it at the end.
    static TVxMouseTimer& Instance();
    // The instance if it exists now, else null: for callers that must not bring it back to life,
    // such as a cell destroyed after the application object.
    static TVxMouseTimer* Existing();

    using PointerSource = std::function<QPoint()>;
    // Where the pointer is, in screen coordinates; an empty source restores QCursor::pos(). Tests
    // put a virtual pointer here.
    static void SetPointerSource(PointerSource source);

    ~TVxMouseTimer() override;

    // Makes control the attached one; a different control attached before is sent mouse leave
    // first. Null just lets the previous one go.
    void Attach(QWidget* control);
    // Lets control go if it is the attached one; does nothing otherwise.
    void Detach(QWidget* control);
    // One poll: sends the attached control mouse leave when the pointer is outside it.
    void Tick();

    QWidget* AttachedControl() const { return m_attached; }
    bool IsRunning() const { return m_timer.isActive(); }

private:
    explicit TVxMouseTimer(QObject* owner);

    void watch(QWidget* control);
    void unwatch();

    QTimer m_timer;
    QWidget* m_attached = nullptr;
    QMetaObject::Connection m_destroyedWatch;
};

} // namespace vexto
