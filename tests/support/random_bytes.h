// SPDX-License-Identifier: Apache-2.0
#pragma once
// Reproducible file contents for byte-for-byte checks: every byte value
// occurs, and the same seed gives the same bytes.
#include <cstddef>
#include <random>
#include <string>

namespace testsupport {

inline std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (auto& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

}  // namespace testsupport
