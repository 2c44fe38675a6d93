#pragma once

#include <exception>
#include <string>
#include <utility>

namespace vexto {

// The program's error classes. Handlers raise them; the event-handler boundary catches them and
// hands them to the application's error report, so none ever unwinds through the toolkit.
class Exception : public std::exception {
public:
    // Out of line, so that it can note the address of the code that raised the error: the
    // start-up failure report names it.
    explicit Exception(std::string message);

    const char* what() const noexcept override { return m_message.c_str(); }
    const std::string& Message() const noexcept { return m_message; }
    const void* RaiseAddress() const noexcept { return m_raiseAddress; }

private:
    std::string m_message;
    const void* m_raiseAddress = nullptr;
};

// Text that does not read as a number.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A broken precondition of the program itself, such as a platform object that can't be made.
class EAssertionFailed : public Exception {
public:
    using Exception::Exception;
};

} // namespace vexto
