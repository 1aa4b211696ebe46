#include "platform/window/qt/qt_text.h"

#include <QStringList>

namespace platform {

namespace {

// Faces of the same kind for the designed ones, for machines that lack them.
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

QString CaptionDisplayText(const std::string& caption) {
  QString out;
  const QString in = Q(caption);
  for (qsizetype i = 0; i < in.size(); ++i) {
    if (in[i] == u'&') {
      if (i + 1 < in.size() && in[i + 1] == u'&') {
        out += u'&';
        ++i;
      }
      continue;
    }
    out += in[i];
  }
  return out;
}

}  // namespace platform
