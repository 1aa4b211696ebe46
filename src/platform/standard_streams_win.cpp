#include "platform/standard_streams.h"

namespace platform {

// Windows' standard handles are not numbered descriptors that a file
// opened later could take.
void OpenClosedStandardStreams() {}

}  // namespace platform
