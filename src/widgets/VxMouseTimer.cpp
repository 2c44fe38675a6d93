#include "VxMouseTimer.h"

#include "VxPanel.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QWidget>

#include <utility>

namespace vexto {

namespace {

TVxMouseTimer* liveInstance = nullptr;

TVxMouseTimer::PointerSource& pointerSource() {
    static TVxMouseTimer::PointerSource source;
    return source;
}

QPoint pointerPosition() {
    const TVxMouseTimer::PointerSource& source = pointerSource();
    return source ? source() : QCursor::pos();
}

// Called straight rather than through the event loop for a cell, so that a failure reaches the
// caller, which has its own rule for it, instead of the error report.
void sendMouseLeave(QWidget* control) {
    if (auto* panel = qobject_cast<TVxPanel*>(control)) {
        panel->MouseLeave(nullptr);
        return;
    }
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(control, &leave);
}

} // namespace

TVxMouseTimer& TVxMouseTimer::Instance() {
    if (liveInstance == nullptr)
        liveInstance = new TVxMouseTimer(QCoreApplication::instance());
    return *liveInstance;
}

TVxMouseTimer* TVxMouseTimer::Existing() {
    return liveInstance;
}

void TVxMouseTimer::SetPointerSource(PointerSource source) {
    pointerSource() = std::move(source);
}

TVxMouseTimer::TVxMouseTimer(QObject* owner) : QObject(owner) {
    m_timer.setInterval(IntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &TVxMouseTimer::Tick);
}

TVxMouseTimer::~TVxMouseTimer() {
    unwatch();
    if (liveInstance == this)
        liveInstance = nullptr;
}

void TVxMouseTimer::Attach(QWidget* control) {
    m_timer.stop();
    if (m_attached != nullptr && m_attached != control) {
        QWidget* previous = m_attached;
        try {
            unwatch();
            sendMouseLeave(previous);
        } catch (...) {
            // The previous control's leave failing must not keep the new one from being tracked.
        }
    }
    m_attached = control;
    if (control == nullptr)
        return;
    watch(control);
    m_timer.start();
}

void TVxMouseTimer::Detach(QWidget* control) {
    if (control == nullptr || control != m_attached)
        return;
    m_timer.stop();
    unwatch();
    m_attached = nullptr;
}

void TVxMouseTimer::Tick() {
    if (m_attached == nullptr) {
        m_timer.stop();
        return;
    }
    try {
        const QRect bounds(m_attached->mapToGlobal(QPoint(0, 0)), m_attached->size());
        // QRect counts its left and top edges in and its right and bottom edges out.
        if (!bounds.contains(pointerPosition()))
            sendMouseLeave(m_attached);
    } catch (...) {
        Detach(m_attached);
    }
}

void TVxMouseTimer::watch(QWidget* control) {
    if (m_destroyedWatch)
        return;
    m_destroyedWatch = connect(control, &QObject::destroyed, this, [this](QObject* gone) {
        // Only the address is compared: the object is no longer a widget by now.
        if (gone == m_attached)
            Detach(m_attached);
    });
}

void TVxMouseTimer::unwatch() {
    if (m_destroyedWatch)
        disconnect(m_destroyedWatch);
    m_destroyedWatch = {};
}

} // namespace vexto
