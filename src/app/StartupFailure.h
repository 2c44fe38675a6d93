#pragma once

#include <QString>

#include <exception>

namespace vexto {

// "Exception <class> in module <file> at <offset>.\r\n<message>[.]\r\n": the class of the error,
// the program file it was raised in and the raising code's offset within it (eight hex digits,
// 00000000 when unknown), then the message with a "." added unless empty or already there.
QString StartupFailureText(const std::exception& error);

} // namespace vexto
