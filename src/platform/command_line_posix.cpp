#include "platform/command_line.h"

namespace platform {

std::optional<std::string> NativeArgumentText() { return std::nullopt; }

}  // namespace platform
