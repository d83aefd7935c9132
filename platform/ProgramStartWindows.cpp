#include "platform/ProgramStart.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

#include "platform/WindowsApi.h"

namespace kestrine::platform {

ProgramStart::ProgramStart(int argc, char** argv) {
  int count = 0;
  if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
    for (int i = 0; i < count; ++i) arguments_.push_back(windows::Utf8FromWide(wide[i]));
    ::LocalFree(wide);
  } else {
    arguments_.assign(argv, argv + argc);
  }
  for (std::string& argument : arguments_) pointers_.push_back(argument.data());
  pointers_.push_back(nullptr);

  (void)_setmode(_fileno(stdout), _O_BINARY);
  (void)_setmode(_fileno(stderr), _O_BINARY);
  if (::GetFileType(::GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR) {
    consoleCodePage_ = ::GetConsoleOutputCP();
    if (!::SetConsoleOutputCP(CP_UTF8)) consoleCodePage_ = 0;
  }
}

ProgramStart::~ProgramStart() {
  if (consoleCodePage_ == 0) return;
  std::fflush(stdout);
  std::fflush(stderr);
  ::SetConsoleOutputCP(consoleCodePage_);
}

}  // namespace kestrine::platform
