#include <windows.h>

#include "platform/settings/locale_separators.h"
#include "platform/wide_text_win.h"

namespace platform {

namespace {

// One of the user's locale texts; empty when the locale does not give it.
std::string UserLocaleText(LCTYPE type) {
  wchar_t text[16] = {};  // the separators are at most four characters
  const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, text, 16);
  return length > 1 ? Utf16ToUtf8(std::wstring_view(text, static_cast<std::size_t>(length - 1))) : std::string();
}

}  // namespace

LocaleSeparators UserLocaleSeparators() { return {UserLocaleText(LOCALE_SDECIMAL), UserLocaleText(LOCALE_STHOUSAND)}; }

}  // namespace platform
