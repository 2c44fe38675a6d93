#include "NotifyChannel.h"

#include "InstanceNames.h"
#include "posix/NotifySocket.h"

#include <unistd.h>

namespace vexto {

// A datagram socket in the runtime directory, named after the listening process.
class NotifyChannel::Handle {
public:
    Handle(std::uint32_t id, std::unique_ptr<NotifySocket> socket)
        : id(id), socket(std::move(socket)) {}

    std::uint32_t id;
    std::unique_ptr<NotifySocket> socket;
};

static_assert(NotifyChannel::MaxMessageSize == NotifySocket::MaxMessageSize);

NotifyChannel::NotifyChannel(std::unique_ptr<Handle> handle) : m_handle(std::move(handle)) {}

NotifyChannel::~NotifyChannel() = default;

std::unique_ptr<NotifyChannel> NotifyChannel::Listen(const InstanceNames& names, Handler handler) {
    const auto id = static_cast<std::uint32_t>(::getpid());
    auto socket = NotifySocket::Listen(names.NotifyPath(id), std::move(handler));
    if (!socket)
        return nullptr;
    return std::unique_ptr<NotifyChannel>(
        new NotifyChannel(std::make_unique<Handle>(id, std::move(socket))));
}

std::uint32_t NotifyChannel::Id() const {
    return m_handle->id;
}

bool NotifyChannel::Post(const InstanceNames& names, std::uint32_t id, const QByteArray& message) {
    return NotifySocket::Post(names.NotifyPath(id), message);
}

} // namespace vexto
