#pragma once

#include <string_view>

// JSON's grammar read plainly and slowly, to hold the project's parser to: exactly one value with
// optional blanks, tabs and line breaks around it. A \u escape of half a surrogate pair must be
// followed by the other half: text that stands for no Unicode character is refused.
struct GrammarCheck {
    bool valid = false;
    int depth = 0; // deepest nesting of arrays and objects seen
};

// Strings must be valid UTF-8, unless bytes_are_characters: then every byte from 0x80 up is one
// character, as in a file of the Windows code page.
GrammarCheck check_json_grammar(std::string_view text, bool bytes_are_characters = false);
