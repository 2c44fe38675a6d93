#pragma once

#include <QByteArray>

namespace vexto {

// What the platform tells of the window system this process may show its window on, before the
// toolkit is asked to connect to it.
class SessionDisplay {
public:
    // Whether there is a window system to try: on Windows always, as every process of a log-on
    // has its desktop; elsewhere when an X display, a Wayland display or a Qt platform plugin is
    // named.
    static bool IsNamed();

    // Whether a compositor accepts connections on the Wayland socket at the path; never on
    // Windows, which has none.
    static bool AcceptsConnections(const QByteArray& socketPath);
};

} // namespace vexto
