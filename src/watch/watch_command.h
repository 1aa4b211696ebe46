// SPDX-License-Identifier: Apache-2.0
#pragma once
// torvane-send --watch FOLDER and --history FOLDER, from the options read.
#include "platform/spooler/spooler.h"
#include "send/send_command.h"
#include "send/send_options.h"

namespace watch {

// The sender's WatchAction: watches the folder, or prints its history
// readably; returns the exit status.
int RunWatchAction(const sender::SendOptions& options, platform::Spooler& spooler, sender::Console console);

}  // namespace watch
