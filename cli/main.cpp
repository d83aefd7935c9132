#include <iostream>

#include "cli/Kestrinectl.h"
#include "platform/ProgramStart.h"

int main(int argc, char** argv) {
  kestrine::platform::ProgramStart start(argc, argv);
  return kestrine::cli::RunKestrinectl(start.Argc(), start.Argv(), std::cout, std::cerr);
}
