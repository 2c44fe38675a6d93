#include "CommandLineParameters.h"

namespace vexto {

namespace {

bool isSeparator(char16_t c) {
    return c >= 1 && c <= 32;
}

struct Word {
    std::u16string text;
    bool quotesAlone = true; // nothing but quotes: the empty pair a user typed stands for nothing
};

// The word that starts at the front of the rest of the line; takes it off the line.
Word takeWord(std::u16string_view& rest) {
    Word word;
    bool quoted = false;
    std::size_t i = 0;
    for (; i < rest.size() && (quoted || !isSeparator(rest[i])); ++i) {
        if (rest[i] == u'"') {
            quoted = !quoted;
        } else {
            word.text += rest[i];
            word.quotesAlone = false;
        }
    }
    rest.remove_prefix(i);
    return word;
}

void skipSeparators(std::u16string_view& rest) {
    while (!rest.empty() && isSeparator(rest.front()))
        rest.remove_prefix(1);
}

} // namespace

std::vector<std::u16string> CommandLineParameters(std::u16string_view commandLine) {
    std::vector<std::u16string> parameters;
    bool programPath = true;
    for (skipSeparators(commandLine); !commandLine.empty(); skipSeparators(commandLine)) {
        Word word = takeWord(commandLine);
        if (word.quotesAlone)
            continue;
        if (!programPath)
            parameters.push_back(std::move(word.text));
        programPath = false;
    }
    return parameters;
}

} // namespace vexto
