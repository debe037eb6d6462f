#pragma once
// plnsim's --help text and its version.

#include <cstdio>

// Prints the usage: every flag and the controller commands the simulator answers.
void printSimUsage(std::FILE* to);

// --help or --version among the arguments: prints and returns true (the program then ends).
bool answerHelpOrVersion(int argc, char** argv);
