#pragma once
#include <string>
#include <vector>

namespace jov {

// The program's arguments in UTF-8. Windows hands main() its arguments in the
// ANSI code page, which cannot hold every file name; they are taken from the
// UTF-16 command line instead. On POSIX they are argv as it is.
std::vector<std::string> CommandLineArguments(int argc, char** argv);
// Standard output and error pass bytes through untouched: Windows would
// otherwise add a CR before every LF, and map texts are written as their bytes.
void UseBinaryStandardStreams();

}  // namespace jov
