// SPDX-License-Identifier: Apache-2.0
#pragma once
// Text forms of the stored settings and the conversions read back through,
// as pure functions of the user's number format.
#include <cstdint>
#include <optional>
#include <string>

namespace app {

struct NumberFormat {
  char decimal = '.';
  char group = ',';
};

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
