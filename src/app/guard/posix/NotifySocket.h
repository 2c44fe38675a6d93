#pragma once

#include "FileDescriptor.h"

#include <QByteArray>
#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace vexto {

// The notification on POSIX, how a later copy tells the first copy's event loop to read the
// hand-over block: the first copy listens on a datagram socket in the runtime directory
// (owner-only, like the block), and a later copy posts one "poke" to it without waiting. A poke
// may carry a short message of any bytes; one datagram is one message, so a message arrives
// whole or not at all. Paths too long for a socket address work as well.
class NotifySocket : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NotifySocket)

public:
    using Handler = std::function<void(const QByteArray& message)>;

    // Longer messages are refused by Post; a longer datagram from elsewhere counts as a poke
    // without a message.
    static constexpr qsizetype MaxMessageSize = 4096;

    ~NotifySocket() override;

    // Null when the socket can't be made. The handler runs on this thread's event loop, once
    // per poke.
    static std::unique_ptr<NotifySocket> Listen(const QByteArray& path, Handler handler);

    // Never blocks; false when nobody listens there or the message is too long.
    static bool Post(const QByteArray& path, const QByteArray& message = {});

    // True when a live channel listens at the path; nothing is delivered to it.
    static bool IsListening(const QByteArray& path);
    // True only when the socket at the path is there but nobody listens on it any more: left by
    // a process that died. A socket we may not reach is not abandoned.
    static bool IsAbandoned(const QByteArray& path);

private:
    NotifySocket(const QByteArray& path, FileDescriptor socket, Handler handler);
    void readPokes();

    QByteArray m_path;
    FileDescriptor m_socket;
    Handler m_handler;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace vexto
