#include "ModulePlace.h"

#include <dlfcn.h>

namespace vexto {

std::optional<ModulePlace> ModulePlace::Of(const void* address) {
    Dl_info info{};
    if (!address || dladdr(address, &info) == 0 || !info.dli_fname)
        return std::nullopt;
    const QString path = QString::fromLocal8Bit(info.dli_fname);
    return ModulePlace{path.mid(path.lastIndexOf(u'/') + 1),
                       reinterpret_cast<std::uintptr_t>(address) -
                           reinterpret_cast<std::uintptr_t>(info.dli_fbase)};
}

} // namespace vexto
