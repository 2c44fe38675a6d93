#include "StartupFailure.h"

#include "ModulePlace.h"
#include "calc/Exception.h"

#include <cxxabi.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <typeinfo>

namespace vexto {

namespace {

QString className(const std::exception& error) {
    const char* mangled = typeid(error).name();
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    std::string name = status == 0 && demangled ? demangled.get() : mangled;
    if (const auto scope = name.rfind("::"); scope != std::string::npos)
        name.erase(0, scope + 2);
    return QString::fromStdString(name);
}

// The place the error was raised, when it says; else the module of the program itself, at an
// offset of 0, which means unknown.
ModulePlace raisePlace(const std::exception& error) {
    const auto* raised = dynamic_cast<const Exception*>(&error);
    if (raised)
        if (auto place = ModulePlace::Of(raised->RaiseAddress()))
            return *place;
    if (auto program = ModulePlace::Of(reinterpret_cast<const void*>(&StartupFailureText)))
        return {program->module, 0};
    return {QStringLiteral("vexto"), 0};
}

} // namespace

QString StartupFailureText(const std::exception& error) {
    const ModulePlace place = raisePlace(error);
    const QString message = QString::fromLocal8Bit(error.what());
    const QString fullStop =
        !message.isEmpty() && !message.endsWith(u'.') ? QStringLiteral(".") : QString();
    return QStringLiteral("Exception %1 in module %2 at %3.\r\n%4%5\r\n")
        .arg(className(error), place.module,
             QStringLiteral("%1")
                 .arg(quint64(place.offset) & 0xFFFFFFFFu, 8, 16, QChar(u'0'))
                 .toUpper(),
             message, fullStop);
}

} // namespace vexto
