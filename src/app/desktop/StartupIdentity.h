#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace vexto {

// What the desktop's launcher gave this copy to name its launch: the startup-notification id on
// X11 (DESKTOP_STARTUP_ID) and the activation token on Wayland (XDG_ACTIVATION_TOKEN). A later
// copy hands it to the first copy, whose window then comes to the front on the strength of that
// launch and ends the launcher's wait for it. Both are plain printable words; anything else is
// dropped, as it would not survive the protocol that carries it on.
class StartupIdentity {
public:
    StartupIdentity() = default;
    StartupIdentity(QByteArray startupId, QByteArray activationToken);

    // Read before the toolkit starts: Qt takes DESKTOP_STARTUP_ID out of the environment.
    static StartupIdentity FromEnvironment();

    // The text a later copy sends the first copy, and back; an unknown line is ignored.
    QByteArray ToMessage() const;
    static StartupIdentity FromMessage(const QByteArray& message);

    bool IsEmpty() const { return m_startupId.isEmpty() && m_activationToken.isEmpty(); }
    QByteArray StartupId() const { return m_startupId; }
    QByteArray ActivationToken() const { return m_activationToken; }

    // The X server time of the user's action that launched, which a startup id carries at its
    // end as "_TIME" and digits; empty when it has none.
    std::optional<std::uint32_t> Timestamp() const;

    friend bool operator==(const StartupIdentity&, const StartupIdentity&) = default;

private:
    QByteArray m_startupId;
    QByteArray m_activationToken;
};

} // namespace vexto
