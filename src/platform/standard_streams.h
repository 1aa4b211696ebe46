#pragma once

namespace platform {

// Opens each of the standard descriptors 0-2 that is closed on the null
// device, before anything else opens a file or a connection: that would
// otherwise take the free number, and text meant for standard output
// would go into it (into a print server's connection, even). Nothing to
// do on Windows, whose handles are not numbered that way.
void OpenClosedStandardStreams();

}  // namespace platform
