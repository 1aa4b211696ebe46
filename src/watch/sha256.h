// SPDX-License-Identifier: Apache-2.0
#pragma once
// SHA-256 of a file's bytes, for the history: which bytes went, so that a
// file printed twice, or changed between two prints, can be told.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/status.h"

namespace watch {

class Sha256 {
 public:
  Sha256();
  void Add(const void* data, std::size_t size);
  // The digest in lower-case hexadecimal; the object is spent after it.
  std::string HexDigest();

 private:
  void Block(const unsigned char* block);

  std::uint32_t state_[8];
  unsigned char pending_[64];
  std::size_t pending_size_ = 0;
  std::uint64_t total_ = 0;
};

// The digest of the file at `path` (UTF-8 on Windows), or why it could
// not be read.
platform::StatusOr<std::string> FileSha256(const std::string& path);

}  // namespace watch
