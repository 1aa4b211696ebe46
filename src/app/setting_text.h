// SPDX-License-Identifier: Apache-2.0
#pragma once
// Text forms of the stored settings and the conversions read back through,
// as pure functions of the user's number format.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/settings/locale_separators.h"

namespace app {

struct NumberFormat {
  char decimal = '.';
  char group = ',';
};

// The format of a locale's separators. A separator that is not one
// printable ASCII character (a no-break space, say) or that would read as
// part of a number (a digit, a sign, 'E'; a blank as the decimal one), and
// a group separator that is the decimal one, are read and written as the
// usual ones: '.' and ',', or ',' and '.'.
NumberFormat NumberFormatOf(const platform::LocaleSeparators& separators);
// The user's decimal and group separators.
NumberFormat UserNumberFormat();

// A single-precision number as text: at most seven significant digits, a
// leading '-' when negative, no blanks or group separators, the user's
// decimal separator when there is a fraction.
std::string SingleToText(float value, const NumberFormat& format);

// A text read as a number in the user's format (surrounding blanks, a sign,
// group separators between digits, a fraction and an exponent allowed).
std::optional<double> ParseNumber(const std::string& text, const NumberFormat& format);

// Rounds to the nearest integer, a half going to the even neighbour; no
// value when the text does not convert or the result is out of range.
std::optional<std::int32_t> TextToInt32(const std::string& text, const NumberFormat& format);
std::optional<std::int16_t> TextToInt16(const std::string& text, const NumberFormat& format);

// Nearest integer, halves to even; nullopt outside the 32-bit range.
std::optional<std::int32_t> RoundToInt32(double value);

}  // namespace app
