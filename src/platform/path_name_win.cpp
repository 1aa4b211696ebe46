#include "platform/path_name.h"

namespace platform {

const char kFolderSeparator = '\\';

}  // namespace platform
