#pragma once

#include <windows.h>

#include <utility>

namespace vexto {

// Owns one handle of a named kernel object and closes it when it goes; the system deletes the
// object when its last handle closes, so what a copy that died held goes with that copy.
class KernelObject {
public:
    explicit KernelObject(HANDLE handle) : m_handle(handle) {}
    ~KernelObject() {
        if (m_handle)
            ::CloseHandle(m_handle);
    }
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;

    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

} // namespace vexto
