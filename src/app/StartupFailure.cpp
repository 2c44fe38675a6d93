#include "StartupFailure.h"

#include "calc/Exception.h"

#include <cxxabi.h>
#include <dlfcn.h>

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

struct RaisePlace {
    QString module;
    std::uintptr_t offset = 0;
};

RaisePlace raisePlace(const std::exception& error) {
    const auto* raised = dynamic_cast<const Exception*>(&error);
    const void* address = raised ? raised->RaiseAddress() : nullptr;
    Dl_info info{};
    if (!address || dladdr(address, &info) == 0 || !info.dli_fname)
        address = reinterpret_cast<const void*>(&StartupFailureText);
    if (dladdr(address, &info) == 0 || !info.dli_fname)
        return {QStringLiteral("vexto"), 0};
    QString module = QString::fromLocal8Bit(info.dli_fname);
    module = module.mid(module.lastIndexOf(u'/') + 1);
    const std::uintptr_t offset = raised && raised->RaiseAddress() == address
                                      ? reinterpret_cast<std::uintptr_t>(address) -
                                            reinterpret_cast<std::uintptr_t>(info.dli_fbase)
                                      : 0;
    return {module, offset};
}

} // namespace

QString StartupFailureText(const std::exception& error) {
    const RaisePlace place = raisePlace(error);
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
