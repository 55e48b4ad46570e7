// Command-line options that override the configuration for one run.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "app/config.h"

// Ordered key -> value map of the arguments; each key once, the first occurrence wins.
using CommandLineArgs = std::map<std::wstring, std::wstring>;

// Splits each argument into key and value: "-name=value" gives ("-name", "value")
// (only the first "=" splits); anything else is a key with an empty value.
CommandLineArgs BuildCommandLineArgs(const std::vector<std::wstring>& arguments);

// Applies the options found in the arguments (argv[0] included) to the record.
void ApplyCommandLine(const std::vector<std::wstring>& arguments, InstallerConfiguration& config);

// Reads the process's own arguments and applies them to InstallerConfig. On
// Linux the arguments arrive already split by the caller's shell.
void ParseCommandLine();
