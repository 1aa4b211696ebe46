#include "platform/settings/ini_text.h"

#include <cstdint>

namespace platform {
namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// A UTF-16 code unit from a numeric escape, as UTF-8.
void AppendUnit(std::string& text, std::uint32_t unit) {
  if (unit < 0x80) {
    text += static_cast<char>(unit);
  } else if (unit < 0x800) {
    text += static_cast<char>(0xC0 | (unit >> 6));
    text += static_cast<char>(0x80 | (unit & 0x3F));
  } else {
    text += static_cast<char>(0xE0 | (unit >> 12));
    text += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (unit & 0x3F));
  }
}

int DigitValue(char c, int base) {
  int value = base;
  if (c >= '0' && c <= '9') value = c - '0';
  if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  return value < base ? value : -1;
}

}  // namespace

std::string IniValueText(std::string_view raw) {
  constexpr std::string_view kEscapes = "abfnrtv\"?'\\";
  constexpr std::string_view kEscaped = "\a\b\f\n\r\t\v\"?'\\";
  std::string text;
  std::size_t keep = 0;  // trailing blanks before this point were escaped or quoted
  bool quoted = false, in_quotes = false;
  std::size_t i = raw.find_first_not_of(kBlanks);
  while (i < raw.size()) {
    const char c = raw[i++];
    if (c == '"') {
      quoted = true;
      in_quotes = !in_quotes;
      if (!in_quotes) i = std::min(raw.find_first_not_of(kBlanks, i), raw.size());
      keep = text.size();
    } else if (c != '\\') {
      text += c;
    } else if (i < raw.size()) {
      const char e = raw[i++];
      const int base = e == 'x' ? 16 : DigitValue(e, 8) >= 0 ? 8 : 0;
      if (const auto at = kEscapes.find(e); at != std::string_view::npos) {
        text += kEscaped[at];
      } else if (base != 0) {
        std::uint32_t unit = base == 8 ? static_cast<std::uint32_t>(e - '0') : 0;
        const std::size_t digits = i;
        for (int d; i < raw.size() && (d = DigitValue(raw[i], base)) >= 0; ++i) {
          unit = (unit * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(d)) & 0xFFFF;
        }
        if (base == 8 || i > digits) AppendUnit(text, unit);
      }
      // Any other escaped character (a line break that continues the
      // value, say) stands for nothing.
      keep = text.size();
    }
  }
  if (!quoted) {
    const auto last = text.find_last_not_of(kBlanks);
    text.resize(std::max(keep, last == std::string::npos ? 0 : last + 1));
  }
  // A text beginning with '@' is stored with a second one, to tell it from
  // the encodings of other types.
  if (text.rfind("@@", 0) == 0) text.erase(0, 1);
  return text;
}

namespace {

// Hands each line of an INI file to `on_line(line, equals)`, as QSettings
// splits them: a line ends at a line break or at a ';' outside quotes (a
// comment, skipped to the line's end); a backslash takes the character
// after it along, a line break too. `equals` is where the first '=' is.
template <typename OnLine>
void ForEachLine(std::string_view file, OnLine&& on_line) {
  // A byte order mark that an editor put first is no part of the text.
  std::size_t i = file.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  while (i < file.size()) {
    const std::size_t start = i;
    std::size_t equals = std::string_view::npos;
    bool in_quotes = false;
    for (; i < file.size(); ++i) {
      const char c = file[i];
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_quotes = !in_quotes;
      } else if (c == '=' && equals == std::string_view::npos) {
        equals = i - start;
      } else if ((c == '\n' || c == '\r' || c == ';') && !in_quotes) {
        break;
      }
    }
    const std::string_view line = file.substr(start, std::min(i, file.size()) - start);
    while (i < file.size() && file[i] != '\n' && file[i] != '\r') ++i;  // a comment
    while (i < file.size() && (file[i] == '\n' || file[i] == '\r')) ++i;
    on_line(line, equals);
  }
}

}  // namespace

std::optional<std::string> IniValue(std::string_view file, std::string_view section, std::string_view key) {
  std::optional<std::string> value;
  std::string_view current;
  ForEachLine(file, [&](std::string_view line, std::size_t equals) {
    const std::string_view trimmed = Trimmed(line);
    if (!trimmed.empty() && trimmed.front() == '[') {
      current = Trimmed(trimmed.substr(1, trimmed.find(']') - 1));
    } else if (equals != std::string_view::npos && current == section && Trimmed(line.substr(0, equals)) == key) {
      value = IniValueText(line.substr(equals + 1));
    }
  });
  return value;
}

bool IniReadable(std::string_view file) {
  bool readable = file.find('\0') == std::string_view::npos;
  ForEachLine(file, [&](std::string_view line, std::size_t equals) {
    const std::string_view trimmed = Trimmed(line);
    if (trimmed.empty()) return;
    if (trimmed.front() == '[') {
      readable = readable && trimmed.find(']') != std::string_view::npos;
    } else {
      readable = readable && equals != std::string_view::npos && !Trimmed(line.substr(0, equals)).empty();
    }
  });
  return readable;
}

}  // namespace platform
