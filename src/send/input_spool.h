// SPDX-License-Identifier: Apache-2.0
#pragma once
// Standard input kept in a temporary file while it is sent, so that it is
// measured, sent in chunks and checked like any file named on the command
// line.
#include <atomic>
#include <filesystem>
#include <string>

#include "platform/status.h"

namespace sender {

// For an interrupt that ends the program at once, without unwinding:
// removes the file standard input is kept in, if any. Safe in a signal
// handler (where Windows would not call it: there the second Ctrl+C ends
// the program before any handler).
void RemoveKeptInputNow();

class InputSpool {
 public:
  InputSpool() = default;
  // Removes the file, also when the job was interrupted.
  ~InputSpool();
  InputSpool(const InputSpool&) = delete;
  InputSpool& operator=(const InputSpool&) = delete;

  // Copies everything from the file descriptor `input` into a new file in
  // the system's temporary folder, until its end or until `stop` is raised.
  // Fails when not all of it could be kept.
  platform::Status Fill(int input, const std::atomic<bool>& stop);
  // The kept file's path, as the print job takes paths (UTF-8).
  std::string Path() const;

 private:
  std::filesystem::path path_;
};

}  // namespace sender
