// How the program's messages show text that came from outside (an argument, a
// typed file name, a line of input): one rule for the window and fapkalk-cli,
// so nothing from the input can act on a terminal, hide in a message box or
// turn the text around.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace fapkalk {

// The length of the well-formed UTF-8 sequence text starts with (1 to 4), or
// 0 when it starts with none: a stray continuation byte, an overlong form, a
// surrogate, a code point beyond U+10FFFF, a cut sequence.
std::size_t Utf8Length(std::string_view text);

// One character of text, or its first byte when that starts no UTF-8 sequence.
std::string_view FirstCharacter(std::string_view text);

// Appends at most `limit` characters of text to out and returns how many
// bytes of text that took. Escaped are what a terminal may act on or a reader
// cannot see: control characters (C0, DEL and C1, Unicode Cc) and bytes that
// are no UTF-8 as "\x1b" a byte; format characters (Unicode Cf: U+200B,
// U+202E, U+FEFF, ...) and the line and paragraph separators U+2028 and U+2029
// as "\u202e" ("\U000e0001" beyond U+FFFF). With quoteMarks, "\" and '"' are
// escaped too, so that the text can stand between double quotes unmistakably.
std::size_t AppendEscaped(std::string& out, std::string_view text, std::size_t limit,
                          bool quoteMarks);

// A file name or typed text for a message of the window: escaped as above,
// nothing left out, backslashes and quotes as they are ("C:\FAP_PREIS.CSV").
std::string EscapedForMessage(std::string_view text);

} // namespace fapkalk
