#include "NotifyChannel.h"

#include <QList>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace vexto {

namespace {

bool toAddress(const QByteArray& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<std::size_t>(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    return true;
}

} // namespace

NotifyChannel::NotifyChannel(const QByteArray& path, FileDescriptor socket, Handler handler)
    : m_path(path), m_socket(std::move(socket)), m_handler(std::move(handler)),
      m_notifier(new QSocketNotifier(m_socket.Get(), QSocketNotifier::Read, this)) {
    connect(m_notifier, &QSocketNotifier::activated, this, &NotifyChannel::readPokes);
}

NotifyChannel::~NotifyChannel() {
    delete m_notifier;
    ::unlink(m_path.constData());
}

std::unique_ptr<NotifyChannel> NotifyChannel::Listen(const QByteArray& path, Handler handler) {
    sockaddr_un address;
    if (!toAddress(path, address))
        return nullptr;
    FileDescriptor socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket.IsOpen())
        return nullptr;
    // A socket left by a dead process that had our process id.
    ::unlink(path.constData());
    if (::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return nullptr;
    if (::chmod(path.constData(), 0600) != 0) {
        ::unlink(path.constData());
        return nullptr;
    }
    return std::unique_ptr<NotifyChannel>(
        new NotifyChannel(path, std::move(socket), std::move(handler)));
}

bool NotifyChannel::Post(const QByteArray& path, const QByteArray& message) {
    sockaddr_un address;
    if (message.size() > MaxMessageSize || !toAddress(path, address))
        return false;
    const FileDescriptor socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket.IsOpen())
        return false;
    const auto size = static_cast<std::size_t>(message.size());
    return ::sendto(socket.Get(), message.constData(), size, MSG_DONTWAIT | MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&address),
                    sizeof address) == static_cast<ssize_t>(size);
}

void NotifyChannel::readPokes() {
    // Everything queued is read before any handler runs: a handler may take long, and the
    // socket must not fill up meanwhile.
    QList<QByteArray> messages;
    QByteArray buffer(MaxMessageSize, Qt::Uninitialized);
    for (;;) {
        const ssize_t received =
            ::recv(m_socket.Get(), buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
        if (received > MaxMessageSize)
            messages.append(QByteArray());
        else if (received >= 0)
            messages.append(buffer.left(received));
        else if (errno != EINTR)
            break;
    }
    for (const QByteArray& message : messages)
        m_handler(message);
}

} // namespace vexto
