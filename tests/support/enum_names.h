// SPDX-License-Identifier: Apache-2.0
#pragma once
// The names of the enums tests compare, so that a failed check shows
// "Failed", not a number.
#include <ostream>

#include "platform/spooler/printer.h"
#include "printing/print_job.h"

namespace platform {

inline void PrintTo(Fate fate, std::ostream* out) {
  constexpr const char* kNames[] = {"Waiting", "Printed", "Failed", "Stuck"};
  *out << kNames[static_cast<int>(fate)];
}

inline void PrintTo(DocumentState state, std::ostream* out) {
  constexpr const char* kNames[] = {"Pending", "Held", "Processing", "Completed", "Cancelled", "Aborted", "Gone"};
  *out << kNames[static_cast<int>(state)];
}

}  // namespace platform

namespace printing {

inline void PrintTo(JobEnd end, std::ostream* out) {
  constexpr const char* kNames[] = {"Refused", "Finished", "Stopped"};
  *out << kNames[static_cast<int>(end)];
}

}  // namespace printing
