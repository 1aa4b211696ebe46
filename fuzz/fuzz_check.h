// SPDX-License-Identifier: Apache-2.0
#pragma once
// What every fuzz target shares: its input as text, and a check that ends
// the run as a finding when a property of the code under test fails.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

inline std::string_view Text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The input cut at NUL bytes: a list of arguments, say.
inline std::vector<std::string> Pieces(std::string_view text) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t nul; (nul = text.find('\0', start)) != std::string_view::npos; start = nul + 1) {
    pieces.emplace_back(text.substr(start, nul - start));
  }
  pieces.emplace_back(text.substr(start));
  return pieces;
}

inline void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

}  // namespace fuzz
