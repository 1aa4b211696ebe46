// SPDX-License-Identifier: Apache-2.0
#pragma once
// A document sent as the print job sends it, and followed until the
// spooler has a verdict on it.
#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "platform/spooler/printer.h"
#include "support/enum_names.h"

namespace testsupport {

// Sends `bytes` as one document in chunks of 100000 bytes; `started` runs
// once it has begun.
inline platform::Status SendDocument(platform::Printer& printer, const std::string& name, const std::string& bytes,
                                     const std::function<void()>& started = {}) {
  if (auto r = printer.StartDoc(name); !r.IsOk()) return r;
  if (started) started();
  std::size_t written = 0;
  for (std::size_t at = 0; at < bytes.size(); at += 100000) {
    const std::size_t size = std::min<std::size_t>(100000, bytes.size() - at);
    if (auto r = printer.Write(bytes.data() + at, size, written); !r.IsOk()) return r;
  }
  return printer.EndDoc();
}

// The follow-up once the document no longer waits, or after 30 s.
inline platform::FollowUp Settled(platform::Spooler& spooler, const std::string& printer, int job_id) {
  auto follow = platform::FollowDocument(spooler, printer, job_id);
  for (int tries = 0; follow.fate == platform::Fate::Waiting && tries < 600; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    follow = platform::FollowDocument(spooler, printer, job_id);
  }
  return follow;
}

}  // namespace testsupport
