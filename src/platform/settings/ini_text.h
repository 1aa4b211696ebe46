// SPDX-License-Identifier: Apache-2.0
#pragma once
// Values of an INI file as QSettings writes one, read back as the text that
// was stored: QSettings' quoting and escaping of a text undone, but a comma
// kept as written where QSettings would split an unquoted value into a list
// ("1,440" stays "1,440"), so that hand-typed values arrive as typed.
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The text of `key` in `[section]` of an INI file's bytes; nothing when the
// key is not there. Lines are read as QSettings reads them: a ';' outside
// quotes starts a comment, and of a key given twice the last one counts.
std::optional<std::string> IniValue(std::string_view file, std::string_view section, std::string_view key);

// Whether the bytes read as an INI file: each line blank, a comment, a
// "[section]" or a "key=value", and no NUL byte. Anything else (random
// bytes, a file of another kind) is not a settings file whose keys are
// worth keeping.
bool IniReadable(std::string_view file);

// One value, the bytes after its '=', as the text QSettings stored (UTF-8).
std::string IniValueText(std::string_view raw);

}  // namespace platform
