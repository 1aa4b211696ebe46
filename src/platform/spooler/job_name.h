// SPDX-License-Identifier: Apache-2.0
#pragma once
// The name a spooler job gets from its document name. Spoolers take job
// names as UTF-8 text of limited length (CUPS refuses a job-name that is
// not valid UTF-8, holds control characters or exceeds 255 bytes), while a
// file name may hold any bytes.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::size_t kMaxJobNameBytes = 255;

// `document_name` made into valid UTF-8 of at most kMaxJobNameBytes bytes:
// each invalid byte sequence (a maximal invalid subpart) and each control
// character becomes U+FFFD, and the text is cut after the last whole
// character that fits.
std::string JobName(std::string_view document_name);

}  // namespace platform
