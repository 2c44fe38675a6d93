#include "X11Properties.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace x11properties {

namespace {

xcb_connection_t* connection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};

} // namespace

std::uint32_t Root() {
    return xcb_setup_roots_iterator(xcb_get_setup(connection())).data->root;
}

std::uint32_t Atom(const char* name) {
    const std::unique_ptr<xcb_intern_atom_reply_t, FreeReply> reply(xcb_intern_atom_reply(
        connection(),
        xcb_intern_atom(connection(), 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : std::uint32_t(XCB_ATOM_NONE);
}

void Write(std::uint32_t window, const char* name, std::uint32_t type, std::uint8_t format,
           const std::vector<std::uint32_t>& values) {
    // Other formats take the first bytes of the values.
    const auto count = static_cast<std::uint32_t>(format == 32 ? values.size() : 4);
    xcb_change_property(connection(), XCB_PROP_MODE_REPLACE, window, Atom(name), type, format,
                        count, values.data());
    xcb_flush(connection());
}

std::vector<std::uint32_t> Read(std::uint32_t window, const char* name) {
    const std::unique_ptr<xcb_get_property_reply_t, FreeReply> reply(xcb_get_property_reply(
        connection(),
        xcb_get_property(connection(), 0, window, Atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
        nullptr));
    if (!reply || reply->format != 32)
        return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

} // namespace x11properties
