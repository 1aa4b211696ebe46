#include "watch/service.h"

namespace watch {

// systemd and the like run the program as it is; they stop it with SIGTERM.
int RunAsService(const std::function<int()>& run) { return run(); }

}  // namespace watch
