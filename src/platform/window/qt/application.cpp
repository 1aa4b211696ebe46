#include "platform/window/application.h"

#include <QApplication>

#include "platform/window/window_services.h"

namespace platform {

struct Application::State {
  explicit State(char* program) : argv{program, nullptr}, application(argc, argv) {}
  int argc = 1;
  char* argv[2];
  QApplication application;
};

Application::Application(char* program) : state_(std::make_unique<State>(program)) { TranslateStandardTexts(); }
Application::~Application() = default;

int Application::Run() { return QApplication::exec(); }

}  // namespace platform
