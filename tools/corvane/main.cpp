// corvane: the command-line tool for the Corvane boards. Everything is in the command
// code; this only connects it to the process's streams.
#include <iostream>

#include "CommandLine.h"

int main(int argc, char** argv) { return corvane_tool::runCommandLine(argc, argv, std::cout, std::cerr); }
