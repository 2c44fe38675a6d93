#include "ModulePlace.h"

#include <algorithm>
#include <windows.h>

namespace vexto {

std::optional<ModulePlace> ModulePlace::Of(const void* address) {
    HMODULE module = nullptr;
    if (!address || !::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                          static_cast<LPCSTR>(address), &module))
        return std::nullopt;
    char path[MAX_PATH + 1];
    const DWORD length = ::GetModuleFileNameA(module, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return std::nullopt;
    const QString name = QString::fromLocal8Bit(path, static_cast<qsizetype>(length));
    return ModulePlace{name.mid(std::max(name.lastIndexOf(u'\\'), name.lastIndexOf(u':')) + 1),
                       reinterpret_cast<std::uintptr_t>(address) -
                           reinterpret_cast<std::uintptr_t>(module)};
}

} // namespace vexto
