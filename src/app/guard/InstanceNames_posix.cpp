#include "InstanceNames.h"

#include <QFile>
#include <QStandardPaths>

#include <climits>
#include <unistd.h>

namespace vexto {

std::optional<InstanceNames> InstanceNames::ForThisProgram() {
    // Checks that the directory belongs to this user and is closed to others.
    const QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QByteArray name = ProgramFileName();
    if (directory.isEmpty() || name.isEmpty())
        return std::nullopt;
    return InstanceNames(directory, name, SessionOfThisProcess(QFile::encodeName(directory)));
}

QByteArray InstanceNames::ProgramFileName() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0)
        return {};
    QByteArray path(buffer, length);
    // A program file replaced on disk while it runs (an update) keeps its name for us.
    static const QByteArray deleted = " (deleted)";
    if (path.endsWith(deleted))
        path.chop(deleted.size());
    return path.mid(path.lastIndexOf('/') + 1);
}

} // namespace vexto
