// SPDX-License-Identifier: Apache-2.0
#pragma once
// Conversions shared by the window layer's Qt code: texts and fonts.
#include <QFont>
#include <QString>
#include <string>

#include "platform/window/control.h"

namespace platform {

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

// The font `design` asks for, or a face of the same kind where it is
// missing.
QFont MakeFont(const FontSpec& design);

// A caption as the control shows it (see CaptionDisplayText).
inline QString ShownCaption(const std::string& caption) { return Q(CaptionDisplayText(caption)); }

}  // namespace platform
