#pragma once

#include <QString>

// A local socket at a path that accepts connections, as a compositor's does, and never answers
// them: a stand-in for a compositor that is there, or one that hangs. Closed with the object.
class ListeningSocket {
public:
    explicit ListeningSocket(const QString& path);
    ~ListeningSocket();
    ListeningSocket(const ListeningSocket&) = delete;
    ListeningSocket& operator=(const ListeningSocket&) = delete;

    bool Listening() const { return m_listening; }

private:
    int m_socket;
    bool m_listening = false;
};
