#include "NotifySocket.h"

#include <QList>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace vexto {

namespace {

// A socket's address holds at most 107 bytes of path. A longer path is reached through the
// process's own link to its open directory, which is short whatever the directory's name; the
// directory stays open as long as the address is in use.
class SocketAddress {
public:
    explicit SocketAddress(const QByteArray& path) {
        m_address.sun_family = AF_UNIX;
        if (path.isEmpty() || path.contains('\0'))
            return;
        if (fits(path)) {
            set(path);
            return;
        }
        const qsizetype slash = path.lastIndexOf('/');
        if (slash < 0)
            return;
        const QByteArray directory = slash == 0 ? QByteArray("/") : path.left(slash);
        m_directory.Reset(::open(directory.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!m_directory.IsOpen())
            return;
        const QByteArray viaDirectory =
            "/proc/self/fd/" + QByteArray::number(m_directory.Get()) + path.mid(slash);
        if (fits(viaDirectory))
            set(viaDirectory);
    }

    bool IsValid() const { return m_valid; }
    const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&m_address); }
    socklen_t Size() const { return sizeof m_address; }

private:
    bool fits(const QByteArray& path) const {
        return static_cast<std::size_t>(path.size()) < sizeof m_address.sun_path;
    }
    void set(const QByteArray& path) {
        std::memcpy(m_address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
        m_valid = true;
    }

    sockaddr_un m_address{};
    FileDescriptor m_directory;
    bool m_valid = false;
};

FileDescriptor datagramSocket() {
    return FileDescriptor(::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
}

} // namespace

NotifySocket::NotifySocket(const QByteArray& path, FileDescriptor socket, Handler handler)
    : m_path(path), m_socket(std::move(socket)), m_handler(std::move(handler)),
      m_notifier(new QSocketNotifier(m_socket.Get(), QSocketNotifier::Read, this)) {
    connect(m_notifier, &QSocketNotifier::activated, this, &NotifySocket::readPokes);
}

NotifySocket::~NotifySocket() {
    delete m_notifier;
    ::unlink(m_path.constData());
}

std::unique_ptr<NotifySocket> NotifySocket::Listen(const QByteArray& path, Handler handler) {
    const SocketAddress address(path);
    FileDescriptor socket = datagramSocket();
    if (!address.IsValid() || !socket.IsOpen())
        return nullptr;
    // A socket left by a dead process that had our process id.
    ::unlink(path.constData());
    if (::bind(socket.Get(), address.Get(), address.Size()) != 0)
        return nullptr;
    if (::chmod(path.constData(), 0600) != 0) {
        ::unlink(path.constData());
        return nullptr;
    }
    return std::unique_ptr<NotifySocket>(
        new NotifySocket(path, std::move(socket), std::move(handler)));
}

bool NotifySocket::Post(const QByteArray& path, const QByteArray& message) {
    const SocketAddress address(path);
    const FileDescriptor socket = datagramSocket();
    if (message.size() > MaxMessageSize || !address.IsValid() || !socket.IsOpen())
        return false;
    const auto size = static_cast<std::size_t>(message.size());
    return ::sendto(socket.Get(), message.constData(), size, MSG_DONTWAIT | MSG_NOSIGNAL,
                    address.Get(), address.Size()) == static_cast<ssize_t>(size);
}

namespace {

// Connecting a datagram socket sends nothing: it only asks whether anybody is bound there.
// The result is connect()'s errno, 0 on success, or -1 when no attempt could be made.
int connectError(const QByteArray& path) {
    const SocketAddress address(path);
    const FileDescriptor socket = datagramSocket();
    if (!address.IsValid() || !socket.IsOpen())
        return -1;
    return ::connect(socket.Get(), address.Get(), address.Size()) == 0 ? 0 : errno;
}

} // namespace

bool NotifySocket::IsListening(const QByteArray& path) {
    return connectError(path) == 0;
}

bool NotifySocket::IsAbandoned(const QByteArray& path) {
    return connectError(path) == ECONNREFUSED;
}

void NotifySocket::readPokes() {
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
