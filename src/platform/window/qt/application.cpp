#include "platform/window/application.h"

#include <QApplication>
#include <QLocale>

namespace platform {

NumberSeparators UserNumberSeparators() {
  const QLocale locale = QLocale::system();
  const auto first = [](const QString& s, char fallback) {
    return s.size() == 1 && s[0].unicode() < 0x80 ? static_cast<char>(s[0].unicode()) : fallback;
  };
  NumberSeparators separators;
  separators.decimal = first(locale.decimalPoint(), '.');
  separators.group = first(locale.groupSeparator(), separators.decimal == ',' ? '.' : ',');
  return separators;
}

struct Application::State {
  explicit State(char* program) : argv{program, nullptr}, application(argc, argv) {}
  int argc = 1;
  char* argv[2];
  QApplication application;
};

Application::Application(char* program) : state_(std::make_unique<State>(program)) {}
Application::~Application() = default;

int Application::Run() { return QApplication::exec(); }

}  // namespace platform
