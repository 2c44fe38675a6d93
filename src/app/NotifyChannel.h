#pragma once

#include "FileDescriptor.h"

#include <QByteArray>
#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace vexto {

// How a later copy tells the first copy's event loop to read the hand-over block: the first
// copy listens on a datagram socket in the runtime directory (owner-only, like the block), and
// a later copy posts one empty "poke" to it without waiting. The poke carries nothing.
class NotifyChannel : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NotifyChannel)

public:
    using Handler = std::function<void()>;

    ~NotifyChannel() override;

    // Null when the socket can't be made. The handler runs on this thread's event loop, once
    // per poke.
    static std::unique_ptr<NotifyChannel> Listen(const QByteArray& path, Handler handler);

    // Never blocks; false when nobody listens there. Callers ignore the result.
    static bool Post(const QByteArray& path);

private:
    NotifyChannel(const QByteArray& path, FileDescriptor socket, Handler handler);
    void readPokes();

    QByteArray m_path;
    FileDescriptor m_socket;
    Handler m_handler;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace vexto
