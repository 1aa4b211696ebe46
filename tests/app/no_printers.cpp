// SPDX-License-Identifier: Apache-2.0
// These window tests need no printer: libcups is pointed at a server that
// does not exist, so the printer list is empty wherever they run.
#include "support/scoped_environment.h"

namespace {

const testsupport::ScopedEnvironment kNoPrinters("CUPS_SERVER", "/nonexistent/torvane-test/cups.sock");

}  // namespace
