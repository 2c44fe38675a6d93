#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace vexto {

// Where the single-instance objects of one program live. Copies are the same program when their
// program files have the same file name; the block is named after that file name and the lock
// after the file name followed by "Sem". On Windows these are the names of system objects, which
// the system keeps per log-on. On POSIX the objects are files in the user's runtime directory,
// which no other user can enter, so copies under other users never meet; the names also carry
// the graphical session, since each session of the same user is a log-on of its own.
class InstanceNames {
public:
    InstanceNames(const QString& directory, const QByteArray& programFileName,
                  const QByteArray& display = {});

    // The running program's names, or none when they can't be had (on POSIX, without a runtime
    // directory).
    static std::optional<InstanceNames> ForThisProgram();

    // The file name of the running program file, without its folder.
    static QByteArray ProgramFileName();

    // The graphical session this process runs in, which names its log-on whichever platform
    // plugin the copy uses: the session's Wayland display when it has one (the X display a
    // compositor serves belongs to it), else the X display without its screen number (":57" for
    // ":57.0" and "unix:57"); empty when neither is named. A Wayland socket given as a path in the
    // runtime directory is named as the socket alone, as the client library would find it.
    static QByteArray SessionDisplay(const QString& platform, const QByteArray& waylandDisplay,
                                     const QByteArray& xDisplay,
                                     const QByteArray& runtimeDirectory);
    static QByteArray SessionOfThisProcess(const QByteArray& runtimeDirectory);
    static QByteArray XDisplayIdentity(const QByteArray& display);

    // An object name as a file name that stays inside the directory and never equals the
    // escape of another name: only letters, digits, "-" and "_" are kept, every other byte
    // (".", "/", "%" among them) becomes %XX. Paths shorten very long escapes with a digest.
    static QByteArray Escape(const QByteArray& objectName);

    QByteArray BlockName() const { return m_programFileName; }
    QByteArray LockName() const { return m_programFileName + "Sem"; }

    QByteArray Directory() const { return m_directory; }
    QByteArray BlockPath() const;
    QByteArray LockPath() const;
    // Held shared by every copy that has the block open: the kernel lets go when a copy dies,
    // which is how a block that no live copy holds is told apart.
    QByteArray LivenessPath() const;
    // Held exclusively, briefly, while a copy decides whether the block is live.
    QByteArray CreationPath() const;
    QByteArray NotifyPath(std::uint32_t notifyId) const;
    // The notification id in a file name of this program's sockets, or none.
    std::optional<std::uint32_t> NotifyIdOf(const QByteArray& fileName) const;

    // Every file name of this kind of object starts with the prefix; notification sockets end
    // in the suffix, and temporary files carry the marker followed by their maker's process id.
    static constexpr char FilePrefix[] = "vexto-instance-";
    static constexpr char NotifySuffix[] = ".notify";
    static constexpr char TemporaryMarker[] = ".new";

private:
    QByteArray path(const QByteArray& objectName, const char* kind) const;
    QByteArray notifyFilePrefix() const;

    QByteArray m_directory;
    QByteArray m_programFileName;
    QByteArray m_display;
};

} // namespace vexto
