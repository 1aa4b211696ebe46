// SPDX-License-Identifier: Apache-2.0
// Job names made of document names, and the file-name part of a path: any
// bytes as a file name or path.
#include "fuzz_check.h"
#include "platform/path_name.h"
#include "platform/spooler/job_name.h"

namespace {

// Whether `text` is well-formed UTF-8 with no control character (C0, DEL,
// C1), told by decoding each character, independently of JobName's way.
bool CleanUtf8(std::string_view text) {
  static const std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >> 5 == 6 ? 2 : lead >> 4 == 14 ? 3 : lead >> 3 == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    std::uint32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3Fu);
    }
    if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) return false;
    i += length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view name = fuzz::Text(data, size);
  const std::string job = platform::JobName(name);
  fuzz::Check(job.size() <= platform::kMaxJobNameBytes, "a job name fits the limit");
  fuzz::Check(CleanUtf8(job), "a job name is clean UTF-8");
  fuzz::Check(name.empty() == job.empty(), "a name gives a job name");
  // A clean name is kept; a long one is cut after the last whole character
  // that fits.
  if (CleanUtf8(name)) {
    fuzz::Check(name.size() <= platform::kMaxJobNameBytes
                    ? job == name
                    : name.substr(0, job.size()) == job && job.size() > platform::kMaxJobNameBytes - 4,
                "a clean name is kept, cut at most");
  }

  for (const char separator : {'/', '\\'}) {
    const std::string part = platform::FileNamePart(name, separator);
    fuzz::Check(part.find(separator) == std::string::npos, "the file-name part holds no separator");
    fuzz::Check(name.size() >= part.size() && name.substr(name.size() - part.size()) == part,
                "the file-name part ends the path");
  }
  return 0;
}
