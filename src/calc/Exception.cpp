#include "Exception.h"

namespace vexto {

Exception::Exception(std::string message)
    : m_message(std::move(message)), m_raiseAddress(__builtin_return_address(0)) {}

} // namespace vexto
