#include <cstdlib>

#include "platform/environment.h"

namespace platform {

std::string EnvironmentText(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace platform
