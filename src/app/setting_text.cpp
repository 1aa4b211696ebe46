#include "app/setting_text.h"

#include <charconv>
#include <cctype>
#include <cmath>
#include <limits>
#include <string_view>

namespace app {

NumberFormat NumberFormatOf(const platform::LocaleSeparators& separators) {
  // One printable ASCII character that cannot be read as part of a number
  // (a digit, a sign, an exponent's 'E'); a blank only between groups.
  const auto usable = [](const std::string& s, bool blank) {
    if (s.size() != 1) return false;
    const char c = s[0];
    if (c == ' ') return blank;
    return c > ' ' && c < 0x7F && std::isdigit(static_cast<unsigned char>(c)) == 0 &&
           std::string_view("+-eE").find(c) == std::string_view::npos;
  };
  NumberFormat format;
  if (usable(separators.decimal, false)) format.decimal = separators.decimal[0];
  format.group = format.decimal == ',' ? '.' : ',';
  if (usable(separators.group, true) && separators.group[0] != format.decimal) format.group = separators.group[0];
  return format;
}

NumberFormat UserNumberFormat() { return NumberFormatOf(platform::UserLocaleSeparators()); }

std::string SingleToText(float value, const NumberFormat& format) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
  std::string text(buffer, result.ptr);
  for (char& c : text) {
    if (c == '.') c = format.decimal;
    if (c == 'e') c = 'E';
  }
  return text;
}

std::optional<double> ParseNumber(const std::string& text, const NumberFormat& format) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  const auto skip_blanks = [&] {
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  };
  skip_blanks();
  std::string plain;  // the number in the C form that from_chars reads
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') plain += '-';
    ++i;
  }
  bool digits = false;
  for (; i < n; ++i) {
    if (std::isdigit(static_cast<unsigned char>(text[i]))) {
      plain += text[i];
      digits = true;
    } else if (text[i] == format.group && digits && i + 1 < n && std::isdigit(static_cast<unsigned char>(text[i + 1]))) {
      continue;
    } else {
      break;
    }
  }
  if (i < n && text[i] == format.decimal) {
    plain += '.';
    for (++i; i < n && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
      plain += text[i];
      digits = true;
    }
  }
  if (!digits) return std::nullopt;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < n && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
    const std::size_t start = j;
    while (j < n && std::isdigit(static_cast<unsigned char>(text[j]))) exponent += text[j++];
    if (j == start) return std::nullopt;
    plain += exponent;
    i = j;
  }
  skip_blanks();
  if (i != n) return std::nullopt;
  double value = 0;
  const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (result.ec != std::errc() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::int32_t> RoundToInt32(double value) {
  // nearbyint rounds halves to even in the default rounding mode.
  const double rounded = std::nearbyint(value);
  if (!(rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(rounded);
}

std::optional<std::int32_t> TextToInt32(const std::string& text, const NumberFormat& format) {
  const auto number = ParseNumber(text, format);
  return number ? RoundToInt32(*number) : std::nullopt;
}

std::optional<std::int16_t> TextToInt16(const std::string& text, const NumberFormat& format) {
  const auto value = TextToInt32(text, format);
  if (!value || *value < std::numeric_limits<std::int16_t>::min() || *value > std::numeric_limits<std::int16_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int16_t>(*value);
}

}  // namespace app
