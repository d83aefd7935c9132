#include <iostream>

#include "cli/Kestrinectl.h"

int main(int argc, char** argv) { return kestrine::cli::RunKestrinectl(argc, argv, std::cout, std::cerr); }
