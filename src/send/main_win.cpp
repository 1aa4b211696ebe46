#include <io.h>
#include <windows.h>

#include <cstdio>

#include "platform/wide_text_win.h"
#include "send/main.h"

// The wide entry point: file and printer names outside the ANSI code page
// arrive intact and go on as UTF-8, as the print job expects.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(platform::Utf16ToUtf8(argv[i]));
  // Names are written as UTF-8; a console shows them right only when told so.
  SetConsoleOutputCP(CP_UTF8);
  return sender::Main(args, _isatty(_fileno(stderr)) != 0);
}
