#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace vexto {

// Where a code address lies: the file name of the program file or library that holds it, without
// its folder, and the address's offset from where that file is loaded.
struct ModulePlace {
    QString module;
    std::uintptr_t offset = 0;

    // None when the address lies in no loaded file the platform can name.
    static std::optional<ModulePlace> Of(const void* address);
};

} // namespace vexto
