#include "platform/window/qt/qt_text.h"

#include <QStringList>

namespace platform {

namespace {

// Faces of the same kind for the two the window asks for (Arial, and a
// Japanese Gothic for Japanese names), for machines that lack them.
void InstallFontSubstitutes() {
  static const bool installed = [] {
    QFont::insertSubstitutions("Arial", {"Liberation Sans", "Arimo", "Helvetica", "DejaVu Sans"});
    QFont::insertSubstitutions(QString::fromUtf8("ＭＳ Ｐゴシック"),
                               {"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "VL PGothic", "IPAGothic"});
    return true;
  }();
  (void)installed;
}

}  // namespace

QFont MakeFont(const FontSpec& design) {
  InstallFontSubstitutes();
  QFont font(Q(design.face));
  font.setPointSizeF(design.points);
  font.setWeight(design.bold ? QFont::Bold : QFont::Normal);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace platform
