#pragma once
// What a network printer itself says of a job that a CUPS queue handed it
// over IPP. CUPS's IPP backend may end a job completed that the printer
// aborted or cancelled: it notices the printer's verdict on one of two
// threads, and when the other one wins, the job counts as printed. Asking
// the printer settles it.
#include <string>

#include "platform/spooler/spooler.h"

namespace platform::cups {

struct PrinterJobVerdict {
  bool failed = false;  // the printer aborted or cancelled it
  std::string reason;   // the printer's words for it
};

// The printer at `device_uri` (a DNS-SD name is resolved) is asked for its
// latest finished job named `title` of this user. Nothing is known when
// the printer cannot be asked or keeps no such job. `stop` (may be empty)
// cuts the waits short.
PrinterJobVerdict AskPrinterJob(const std::string& device_uri, const std::string& title, const StopCheck& stop);

}  // namespace platform::cups
