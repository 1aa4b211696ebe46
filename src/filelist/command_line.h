// SPDX-License-Identifier: Apache-2.0
#pragma once
// The file paths named on the command line. The argument text is one
// string: paths separated by single blanks, a path holding blanks wrapped in
// double quotes, no escape character. Two tokenizers each return the next
// path and advance a shared cursor; the first empty token ends the list.
//
// Cursors are size_t: an argument text may be longer than a 16-bit position
// can count, and a cursor that wrapped would read the wrong path.
#include <cstddef>
#include <string>
#include <vector>

namespace filelist {

// The next unquoted argument: everything from `pos` up to the next blank,
// which is consumed. Two blanks in a row give an empty token. Without a
// further blank the rest of the text is taken and `pos` moves to its end.
std::string GetArgPlain(const std::string& text, std::size_t& pos);

// The content of the next quoted argument, without its quotes. The cursor
// moves two past the closing quote, so the character that follows it is
// always consumed, blank or not. Without a closing quote the token is empty
// and `pos` stays where it was.
std::string GetArgQuoted(const std::string& text, std::size_t& pos);

// Every path of the argument text, in order, up to the first empty token.
std::vector<std::string> SplitArgumentText(const std::string& text);

}  // namespace filelist
