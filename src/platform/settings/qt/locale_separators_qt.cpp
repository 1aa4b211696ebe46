#include <QLocale>

#include "platform/settings/locale_separators.h"

namespace platform {

LocaleSeparators UserLocaleSeparators() {
  const QLocale locale = QLocale::system();
  return {locale.decimalPoint().toStdString(), locale.groupSeparator().toStdString()};
}

}  // namespace platform
