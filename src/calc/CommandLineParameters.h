#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexto {

// The parameters of a command line as one text, the program path that leads it not counted.
// Words are separated by runs of blanks and control characters (codes 1 to 32); a double quote
// starts or ends a stretch in which those belong to the word, and is itself dropped. A backslash
// is an ordinary character. A word of quotes alone, such as "", is no parameter.
std::vector<std::u16string> CommandLineParameters(std::u16string_view commandLine);

} // namespace vexto
