#include "StartupIdentity.h"

#include <QList>
#include <QtGlobal>

#include <algorithm>
#include <limits>

namespace vexto {

namespace {

const QByteArray startupIdKey = QByteArrayLiteral("DESKTOP_STARTUP_ID=");
const QByteArray activationTokenKey = QByteArrayLiteral("XDG_ACTIVATION_TOKEN=");
constexpr qsizetype longestWord = 1024;

// Printable ASCII without blanks, quotes or backslashes: such a word goes into a startup message
// ("remove: ID=...") as it is, without quoting.
QByteArray plainWord(const QByteArray& text) {
    const bool plain = !text.isEmpty() && text.size() <= longestWord &&
                       std::all_of(text.begin(), text.end(), [](char c) {
                           return c > ' ' && c < 0x7F && c != '"' && c != '\\';
                       });
    return plain ? text : QByteArray();
}

} // namespace

StartupIdentity::StartupIdentity(QByteArray startupId, QByteArray activationToken)
    : m_startupId(plainWord(startupId)), m_activationToken(plainWord(activationToken)) {}

StartupIdentity StartupIdentity::FromEnvironment() {
    return {qgetenv("DESKTOP_STARTUP_ID"), qgetenv("XDG_ACTIVATION_TOKEN")};
}

QByteArray StartupIdentity::ToMessage() const {
    QByteArray message;
    if (!m_startupId.isEmpty())
        message += startupIdKey + m_startupId + '\n';
    if (!m_activationToken.isEmpty())
        message += activationTokenKey + m_activationToken + '\n';
    return message;
}

StartupIdentity StartupIdentity::FromMessage(const QByteArray& message) {
    QByteArray startupId, activationToken;
    for (const QByteArray& line : message.split('\n')) {
        if (line.startsWith(startupIdKey))
            startupId = line.mid(startupIdKey.size());
        else if (line.startsWith(activationTokenKey))
            activationToken = line.mid(activationTokenKey.size());
    }
    return {startupId, activationToken};
}

std::optional<std::uint32_t> StartupIdentity::Timestamp() const {
    const qsizetype marker = m_startupId.lastIndexOf("_TIME");
    if (marker < 0)
        return std::nullopt;
    const QByteArray digits = m_startupId.mid(marker + 5);
    if (digits.isEmpty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    bool ok = false;
    const qulonglong time = digits.toULongLong(&ok);
    if (!ok || time > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(time);
}

} // namespace vexto
