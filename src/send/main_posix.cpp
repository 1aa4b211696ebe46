#include <unistd.h>

#include "send/main.h"

int main(int argc, char** argv) {
  return sender::Main(std::vector<std::string>(argv + 1, argv + argc), isatty(STDERR_FILENO) != 0);
}
