// SPDX-License-Identifier: Apache-2.0
// The settings' number texts: the separators as a locale may give them,
// numbers read in that format, and window coordinates written and read
// back.
#include <cmath>
#include <cstring>

#include "app/setting_text.h"
#include "fuzz_check.h"

// The separators come from the input; the system's locale is never asked.
platform::LocaleSeparators platform::UserLocaleSeparators() { return {}; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The decimal separator, the group separator, a coordinate's four bytes,
  // then a text, cut at NUL bytes.
  auto pieces = fuzz::Pieces(fuzz::Text(data, size));
  pieces.resize(std::max<std::size_t>(pieces.size(), 4));
  const app::NumberFormat format = app::NumberFormatOf({pieces[0], pieces[1]});
  const auto digit_or_sign = [](char c) { return (c >= '0' && c <= '9') || std::strchr("+-eE \t", c) != nullptr; };
  fuzz::Check(format.decimal != format.group, "the decimal and group separators differ");
  fuzz::Check(!digit_or_sign(format.decimal), "the decimal separator is no digit, sign, exponent or blank");
  fuzz::Check(format.group == ' ' || !digit_or_sign(format.group), "the group separator is no digit, sign or exponent");

  // A window coordinate: a whole number of twips is read back exactly; any
  // other number as the seven digits it was written with.
  std::uint32_t bits = 0;
  std::memcpy(&bits, pieces[2].data(), std::min<std::size_t>(pieces[2].size(), sizeof bits));
  const auto whole = static_cast<std::int32_t>(bits % 19999999) - 9999999;
  fuzz::Check(app::TextToInt32(app::SingleToText(static_cast<float>(whole), format), format) == whole,
              "a whole coordinate reads back as written");
  float value = 0;
  std::memcpy(&value, &bits, sizeof value);
  if (std::isfinite(value)) {
    const auto read = app::ParseNumber(app::SingleToText(value, format), format);
    fuzz::Check(read && std::fabs(*read - value) <= std::fabs(value) * 1e-6, "a number reads back as written");
  }

  // Any text: a 16-bit value is the 32-bit one in range.
  const std::string& text = pieces[3];
  const auto int32 = app::TextToInt32(text, format);
  const auto int16 = app::TextToInt16(text, format);
  fuzz::Check(!int16 || int32 == *int16, "a 16-bit value is its 32-bit value");
  fuzz::Check(int16 || !int32 || *int32 < -32768 || *int32 > 32767, "a 32-bit value in range is a 16-bit one");
  return 0;
}
