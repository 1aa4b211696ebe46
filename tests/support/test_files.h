// SPDX-License-Identifier: Apache-2.0
#pragma once
// Files for byte-for-byte checks, and a readable account of where two
// byte strings part.
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "support/random_bytes.h"

namespace testsupport {

// The size of the chunks the programs send a file in.
inline constexpr std::size_t kChunk = 100000;

// The dash between a file and its reason in the reports of files not sent.
inline const std::string kDash = " \xE2\x80\x94 ";

struct NamedFile {
  std::string name;
  std::string bytes;
};

// A file of each size where chunking can go wrong: one byte, one short of
// a chunk, one chunk, one over, and two and a half chunks.
inline std::vector<NamedFile> ChunkBoundaryFiles() {
  return {
      {"one.prn", "x"},
      {"below-chunk.prn", RandomBytes(kChunk - 1, 1)},
      {"one-chunk.prn", RandomBytes(kChunk, 2)},
      {"chunk-and-one.prn", RandomBytes(kChunk + 1, 3)},
      {"quarter.prn", RandomBytes(kChunk * 5 / 2, 4)},
  };
}

// Where two byte strings first differ, for a readable failure.
inline std::string Difference(const std::string& expected, const std::string& actual) {
  if (expected == actual) return "equal";
  const auto at = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end()).first;
  return "expected " + std::to_string(expected.size()) + " bytes, got " + std::to_string(actual.size()) +
         ", first difference at byte " + std::to_string(at - expected.begin());
}

}  // namespace testsupport
