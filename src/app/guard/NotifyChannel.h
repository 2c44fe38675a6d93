#pragma once

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <memory>

namespace vexto {

class InstanceNames;

// How a later copy tells the first copy's event loop to read the hand-over block. The first copy
// listens; the hand-over block names it by Id(), and a later copy posts a "poke" there without
// waiting. A poke may carry a short message (the later copy's launch) where the platform's
// notification carries bytes; where it carries none, the message is left out.
class NotifyChannel {
public:
    using Handler = std::function<void(const QByteArray& message)>;

    // Longer messages are refused by Post.
    static constexpr qsizetype MaxMessageSize = 4096;

    ~NotifyChannel();
    NotifyChannel(const NotifyChannel&) = delete;
    NotifyChannel& operator=(const NotifyChannel&) = delete;

    // Null when the channel can't be made. The handler runs on this thread's event loop, once
    // per poke.
    static std::unique_ptr<NotifyChannel> Listen(const InstanceNames& names, Handler handler);

    // What the hand-over block names this channel by.
    std::uint32_t Id() const;

    // Never blocks; false when nobody listens there or the message is too long. The copy that
    // listens there may take the foreground from this one.
    static bool Post(const InstanceNames& names, std::uint32_t id, const QByteArray& message = {});

private:
    class Handle; // the platform's
    explicit NotifyChannel(std::unique_ptr<Handle> handle);

    std::unique_ptr<Handle> m_handle;
};

} // namespace vexto
