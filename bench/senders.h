// SPDX-License-Identifier: Apache-2.0
#pragma once
// The senders the benchmark compares, and what one run of each measures.
// The program's job runs in the window (bench_print.cpp); the two it is
// measured against are here: a bare libcups sender and `lp -o raw`.
#include <string>

#include "bench/test_file.h"

namespace bench {

// The private scheduler's queue that every sender prints to.
inline constexpr char kQueue[] = "Bench";

enum class Sender { Job, Bare, Lp };
inline constexpr Sender kSenders[] = {Sender::Job, Sender::Bare, Sender::Lp};

const char* SenderName(Sender sender);

struct Run {
  Sender sender = Sender::Job;
  double seconds = 0;
  double sender_cpu = 0;  // seconds of CPU the sender used
  double cupsd_cpu = 0;   // seconds of CPU the scheduler used meanwhile
  // The job only:
  double stall_ms = 0;
  double stall_end = 0;  // seconds into the job
  long growth_kib = 0;
};

// The least a libcups program can do: one job, one raw document, the file
// in chunks of the job's size on a connection of its own.
Run SendBare(const fs::path& file, const std::string& title);

// `lp -o raw`, as a user would type it; it finds the scheduler through
// CUPS_SERVER like this process does.
Run SendWithLp(const fs::path& file, const std::string& title);

}  // namespace bench
