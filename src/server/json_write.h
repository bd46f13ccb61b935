#pragma once

#include "server/json_value.h"

#include <string>
#include <string_view>

// The one JSON writer of the system: compact (no blanks), pairs in the order held, pure 7-bit ASCII.
// Inside strings '"', '\' and '/' are escaped with a backslash; backspace, tab, line feed, form feed
// and carriage return as \b \t \n \f \r; every other character below 0x20 or above 0x7F as \u and
// four upper-case hex digits of its UTF-16 code unit (a pair of them above U+FFFF). 0x7F stays as it
// is. Numbers are written with the text they were read or made with.

// Appends the text of v to out.
void write_json(std::string& out, const JsonValue& v);
std::string to_json(const JsonValue& v);

// Appends utf8 as a quoted, escaped JSON string. Bytes that are not valid UTF-8 come out as \uFFFD.
void write_json_string(std::string& out, std::string_view utf8);
