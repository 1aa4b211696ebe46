// SPDX-License-Identifier: Apache-2.0
#pragma once
// Where a document sent to a CUPS queue stands, asked on a connection of
// its own under the stall limit.
#include <cups/ipp.h>

#include <string>

#include "platform/spooler/spooler.h"
#include "platform/spooler/cups/spooler_cups_connection.h"

namespace platform::cups {

// Get-Job-Attributes for job `job_id` of `target`, and while the job waits
// Get-Printer-Attributes (once it completed, to judge it by the printer's
// address, and on an IPP printer by the printer's own word); `stop` (may be empty) cuts the waits short.
// Whether a completed job delivered nothing to its printer. CUPS's IPP
// backend counts one impression for each document the printer accepted,
// and ends the job completed even when the printer refused the document
// (a format it does not take): on a queue printing over IPP, none counted
// means nothing printed. Other backends need not count at all.
// Whether a queue's device is reached over IPP (CUPS's IPP backend).
bool PrintsOverIpp(const std::string& device_uri);

bool DeliveredNothing(const std::string& device_uri, int impressions_completed);

DocumentStatus AskDocumentStatus(const Target& target, int job_id, StopCheck stop);

// Get-Printer-Attributes for the queue of `target`: its state, message and
// reasons ("none" left out).
PrinterState AskPrinterState(const Target& target, StopCheck stop);

// Reads a Get-Job-Attributes answer into `status`: the job's state, its
// reasons and the printer's message for it. Attributes missing or of
// another type count as not given.
void ReadJobAttributes(ipp_t* job, DocumentStatus& status);
// Reads a Get-Printer-Attributes answer into `status`: whether the printer
// has stopped, and why.
void ReadPrinterAttributes(ipp_t* printer, DocumentStatus& status);

}  // namespace platform::cups
