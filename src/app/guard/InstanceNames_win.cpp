#include "InstanceNames.h"

#include <algorithm>
#include <windows.h>

namespace vexto {

// The system keeps named objects without a namespace prefix per log-on, so the names need no
// folder and no session.
std::optional<InstanceNames> InstanceNames::ForThisProgram() {
    const QByteArray name = ProgramFileName();
    if (name.isEmpty())
        return std::nullopt;
    return InstanceNames({}, name);
}

QByteArray InstanceNames::ProgramFileName() {
    char buffer[MAX_PATH + 1];
    const DWORD length = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        return {};
    const QByteArray path(buffer, static_cast<qsizetype>(length));
    // Everything up to and including the last "\" or ":"; the letter case as reported.
    return path.mid(std::max(path.lastIndexOf('\\'), path.lastIndexOf(':')) + 1);
}

} // namespace vexto
