#include "NotifyChannel.h"

#include <windows.h>

namespace vexto {

namespace {

// The private message a later copy posts; both of its parameters are 0 and it carries nothing.
constexpr UINT NewInstanceMessage = WM_USER + 300;
constexpr char WindowClassName[] = "VextoNotifyWindow";

// A window handle fits in 32 bits on 64-bit Windows too, sign-extended, as the two widths of
// the system must exchange handles.
std::uint32_t idOf(HWND window) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
}

HWND windowOf(std::uint32_t id) {
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(id)));
}

LRESULT CALLBACK notifyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == NewInstanceMessage) {
        if (auto* handler = reinterpret_cast<NotifyChannel::Handler*>(
                ::GetWindowLongPtrA(window, GWLP_USERDATA)))
            (*handler)({});
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

bool registerWindowClass() {
    static const bool registered = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = notifyWindowProc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = WindowClassName;
        return ::RegisterClassA(&windowClass) != 0;
    }();
    return registered;
}

} // namespace

// A hidden window that is never shown: the message loop that runs the user interface delivers
// its messages.
class NotifyChannel::Handle {
public:
    Handle(HWND window, Handler handler) : window(window), handler(std::move(handler)) {
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&this->handler));
    }
    ~Handle() { ::DestroyWindow(window); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HWND window;
    Handler handler;
};

NotifyChannel::NotifyChannel(std::unique_ptr<Handle> handle) : m_handle(std::move(handle)) {}

NotifyChannel::~NotifyChannel() = default;

std::unique_ptr<NotifyChannel> NotifyChannel::Listen(const InstanceNames&, Handler handler) {
    if (!registerWindowClass())
        return nullptr;
    const HWND window =
        ::CreateWindowExA(WS_EX_TOOLWINDOW, WindowClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                          nullptr, ::GetModuleHandleA(nullptr), nullptr);
    if (!window)
        return nullptr;
    return std::unique_ptr<NotifyChannel>(
        new NotifyChannel(std::make_unique<Handle>(window, std::move(handler))));
}

std::uint32_t NotifyChannel::Id() const {
    return idOf(m_handle->window);
}

bool NotifyChannel::Post(const InstanceNames&, std::uint32_t id, const QByteArray& message) {
    if (message.size() > MaxMessageSize)
        return false;
    const HWND window = windowOf(id);
    DWORD firstCopy = 0;
    if (!::GetWindowThreadProcessId(window, &firstCopy))
        return false;
    // Only the copy the user just started may hand the foreground on.
    ::AllowSetForegroundWindow(firstCopy);
    return ::PostMessageA(window, NewInstanceMessage, 0, 0) != 0;
}

} // namespace vexto
