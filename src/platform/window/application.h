// SPDX-License-Identifier: Apache-2.0
#pragma once
// The window system's side of the program: started once, before the window
// is made, and run until the window has closed.
#include <memory>

namespace platform {

class Application {
 public:
  // `program` is the program's path as started; the window system sees no
  // other argument.
  explicit Application(char* program);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Handles window events until the last window has closed; the exit status.
  int Run();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform
