#include "InstanceNames.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstring>

namespace vexto {

namespace {

// Leaves room for the prefix, the display and the kind within the 255-byte limit of a file name.
constexpr qsizetype MaxEscapedLength = 180;
constexpr qsizetype MaxEscapedDisplayLength = 40;

bool isKept(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

QByteArray digest(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// "~" never comes out of the escape, so a shortened name can't equal a plain one.
QByteArray escapeShortened(const QByteArray& name, qsizetype maxLength) {
    const QByteArray escaped = InstanceNames::Escape(name);
    if (escaped.size() <= maxLength)
        return escaped;
    const QByteArray hash = digest(name).left(maxLength / 2);
    return escaped.left(maxLength - hash.size() - 1) + '~' + hash;
}

} // namespace

InstanceNames::InstanceNames(const QString& directory, const QByteArray& programFileName,
                             const QByteArray& display)
    : m_directory(QFile::encodeName(directory)), m_programFileName(programFileName),
      m_display(display) {}

QByteArray InstanceNames::XDisplayIdentity(const QByteArray& display) {
    // "host:display.screen": the screen is not part of the display, and "unix" is the local
    // connection that an empty host means too.
    const qsizetype colon = display.lastIndexOf(':');
    if (colon < 0)
        return display;
    QByteArray host = display.left(colon);
    QByteArray number = display.mid(colon + 1);
    if (const qsizetype dot = number.indexOf('.'); dot >= 0)
        number.truncate(dot);
    if (host == "unix")
        host.clear();
    return host + ':' + number;
}

QByteArray InstanceNames::SessionDisplay(const QString& platform, const QByteArray& waylandDisplay,
                                         const QByteArray& xDisplay,
                                         const QByteArray& runtimeDirectory) {
    if (!waylandDisplay.isEmpty()) {
        if (!waylandDisplay.startsWith('/'))
            return waylandDisplay;
        const auto clean = [](const QByteArray& path) {
            return QFile::encodeName(QDir::cleanPath(QFile::decodeName(path)));
        };
        const QByteArray socket = clean(waylandDisplay);
        const QByteArray directory = clean(runtimeDirectory) + '/';
        if (directory.size() > 1 && socket.startsWith(directory) &&
            !socket.mid(directory.size()).contains('/'))
            return socket.mid(directory.size());
        return socket;
    }
    // The client library's own default: a native copy started without the variable.
    if (platform.startsWith(u"wayland"))
        return "wayland-0";
    if (!xDisplay.isEmpty())
        return XDisplayIdentity(xDisplay);
    return {};
}

QByteArray InstanceNames::SessionOfThisProcess(const QByteArray& runtimeDirectory) {
    return SessionDisplay(QGuiApplication::platformName(), qgetenv("WAYLAND_DISPLAY"),
                          qgetenv("DISPLAY"), runtimeDirectory);
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
    return escaped;
}

QByteArray InstanceNames::path(const QByteArray& objectName, const char* kind) const {
    // The escape leaves no "." and no "@", so the "@" before the display and the "." before the
    // kind keep names apart: the block of a program "aSem" is not the lock of a program "a".
    QByteArray name = FilePrefix + escapeShortened(objectName, MaxEscapedLength);
    if (!m_display.isEmpty())
        name += '@' + escapeShortened(m_display, MaxEscapedDisplayLength);
    return m_directory + '/' + name + '.' + kind;
}

QByteArray InstanceNames::notifyFilePrefix() const {
    // Kept short, a socket's address being short: a digest stands for the program and display.
    return FilePrefix + digest(m_programFileName + '\0' + m_display).left(16) + '-';
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
    // The id is the first copy's process id, unique among live processes.
    return m_directory + '/' + notifyFilePrefix() + QByteArray::number(notifyId) + NotifySuffix;
}

std::optional<std::uint32_t> InstanceNames::NotifyIdOf(const QByteArray& fileName) const {
    const QByteArray prefix = notifyFilePrefix();
    if (!fileName.startsWith(prefix) || !fileName.endsWith(NotifySuffix))
        return std::nullopt;
    const QByteArray digits = fileName.mid(prefix.size(), fileName.size() - prefix.size() -
                                                              qsizetype(strlen(NotifySuffix)));
    bool ok = false;
    const uint id = digits.toUInt(&ok);
    if (!ok || QByteArray::number(id) != digits)
        return std::nullopt;
    return id;
}

} // namespace vexto
