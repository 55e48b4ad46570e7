// Scripted console output for the demo package and the demo remover: one step
// per line, so a test can produce any output timing with a small text file.
//
//   write TEXT     writes TEXT to standard output, no line end added; the
//                  escapes \n, \r, \t, \\ and \xHH are decoded
//   sleep MS       pauses
//   flood BYTES    writes BYTES bytes of filler lines to standard output
//   stderr BYTES   writes BYTES bytes of filler lines to standard error
//   exit CODE      ends the program with the exit code
//
// Empty lines and lines starting with "#" are skipped. The script ends with
// exit code 0 when it has no "exit" step.
#pragma once
#include <string>

namespace demo {

// Decodes the escapes of a "write" step.
std::string DecodeEscapes(const std::string& text);
// Plays a script file; returns the exit code. 2 when the file cannot be read
// or a step is malformed (a message goes to standard error).
int PlayScript(const std::string& path);

}  // namespace demo
