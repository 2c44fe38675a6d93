#include "InstanceNames.h"

#include <QCryptographicHash>
#include <QFile>
#include <QStandardPaths>

#include <climits>
#include <unistd.h>

namespace vexto {

namespace {

// Our objects share the runtime directory with other programs' sockets and files.
constexpr char Prefix[] = "vexto-instance-";
// Leaves room for the prefix and the kind within the 255-byte limit of a file name.
constexpr qsizetype MaxEscapedLength = 200;

bool isKept(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

} // namespace

InstanceNames::InstanceNames(const QString& directory, const QByteArray& programFileName)
    : m_directory(QFile::encodeName(directory)), m_programFileName(programFileName) {}

std::optional<InstanceNames> InstanceNames::ForThisProgram() {
    // Checks that the directory belongs to this user and is closed to others.
    const QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QByteArray name = ProgramFileName();
    if (directory.isEmpty() || name.isEmpty())
        return std::nullopt;
    return InstanceNames(directory, name);
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

QByteArray InstanceNames::Escape(const QByteArray& objectName) {
    QByteArray escaped;
    escaped.reserve(objectName.size());
    for (const char c : objectName) {
        if (isKept(c)) {
            escaped += c;
        } else {
            escaped += '%';
            escaped += QByteArray::number(static_cast<unsigned char>(c), 16)
                           .toUpper()
                           .rightJustified(2, '0');
        }
    }
    if (escaped.size() > MaxEscapedLength) {
        // "~" never comes out of the escape, so a shortened name can't equal a plain one.
        const QByteArray digest =
            QCryptographicHash::hash(objectName, QCryptographicHash::Sha256).toHex();
        escaped = escaped.left(MaxEscapedLength - digest.size() - 1) + '~' + digest;
    }
    return escaped;
}

QByteArray InstanceNames::path(const QByteArray& objectName, const char* kind) const {
    // The escape leaves no ".", so the "." before the kind keeps kinds apart: the block of a
    // program "aSem" is not the lock of a program "a".
    return m_directory + '/' + Prefix + Escape(objectName) + '.' + kind;
}

QByteArray InstanceNames::BlockPath() const {
    return path(BlockName(), "block");
}

QByteArray InstanceNames::LockPath() const {
    return path(LockName(), "lock");
}

QByteArray InstanceNames::LivenessPath() const {
    return path(BlockName(), "live");
}

QByteArray InstanceNames::CreationPath() const {
    return path(BlockName(), "create");
}

QByteArray InstanceNames::NotifyPath(std::uint32_t notifyId) const {
    // Kept short: a socket path must fit in 108 bytes. The id is the first copy's process id,
    // unique among live processes whatever their program.
    return m_directory + '/' + Prefix + QByteArray::number(notifyId) + ".notify";
}

} // namespace vexto
