#include "ListeningSocket.h"

#include <QFile>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>

ListeningSocket::ListeningSocket(const QString& path) : m_socket(::socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    // The kernel takes a path that fills the whole address, with no room for an ending zero.
    if (m_socket < 0 || name.size() > qsizetype(sizeof address.sun_path))
        return;
    std::copy(name.begin(), name.end(), address.sun_path);
    m_listening = ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                  ::listen(m_socket, 4) == 0;
}

ListeningSocket::~ListeningSocket() {
    if (m_socket >= 0)
        ::close(m_socket);
}
