#pragma once
// Following a sent document until the spooler has a verdict on it.
#include <chrono>
#include <string>
#include <thread>

#include "platform/printer.h"

namespace testsupport {

// The follow-up once the document no longer waits, or after 30 s.
inline platform::FollowUp Settled(platform::Spooler& spooler, const std::string& printer, int job_id) {
  auto follow = platform::FollowDocument(spooler, printer, job_id);
  for (int tries = 0; follow.fate == platform::Fate::kWaiting && tries < 600; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    follow = platform::FollowDocument(spooler, printer, job_id);
  }
  return follow;
}

}  // namespace testsupport
