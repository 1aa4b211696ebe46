#include "platform/spooler/job_name.h"

namespace platform {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The range the byte after `lead` must lie in for a well-formed sequence;
// it is narrower than 80..BF after E0, ED, F0 and F4 (no overlong forms,
// no surrogates, nothing above U+10FFFF).
struct SequenceShape {
  std::size_t length;  // 0: `lead` cannot start a sequence
  unsigned char second_low;
  unsigned char second_high;
};

SequenceShape ShapeOf(unsigned char lead) {
  if (lead < 0x80) return {1, 0, 0};
  if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
  if (lead == 0xE0) return {3, 0xA0, 0xBF};
  if (lead == 0xED) return {3, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
  if (lead == 0xF0) return {4, 0x90, 0xBF};
  if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
  if (lead == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

// C0 controls, DEL, and the C1 controls U+0080..U+009F (C2 80..C2 9F).
bool IsControl(std::string_view character) {
  const auto first = static_cast<unsigned char>(character[0]);
  if (character.size() == 1) return first < 0x20 || first == 0x7F;
  return first == 0xC2 && static_cast<unsigned char>(character[1]) <= 0x9F;
}

}  // namespace

std::string JobName(std::string_view document_name) {
  std::string name;
  std::size_t pos = 0;
  while (pos < document_name.size()) {
    const SequenceShape shape = ShapeOf(static_cast<unsigned char>(document_name[pos]));
    // Count the bytes that still form a valid prefix of the sequence.
    std::size_t valid = shape.length == 0 ? 0 : 1;
    while (valid > 0 && valid < shape.length && pos + valid < document_name.size()) {
      const auto byte = static_cast<unsigned char>(document_name[pos + valid]);
      const bool fits = valid == 1 ? (byte >= shape.second_low && byte <= shape.second_high)
                                   : (byte >= 0x80 && byte <= 0xBF);
      if (!fits) break;
      ++valid;
    }
    std::string_view character;
    if (shape.length != 0 && valid == shape.length) {
      character = document_name.substr(pos, valid);
      if (IsControl(character)) character = kReplacement;
      pos += valid;
    } else {
      character = kReplacement;
      pos += valid == 0 ? 1 : valid;
    }
    if (name.size() + character.size() > kMaxJobNameBytes) break;
    name.append(character);
  }
  return name;
}

}  // namespace platform
