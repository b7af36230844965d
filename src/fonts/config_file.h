#pragma once
// The engine's configuration file: one command per line, read into GlobalSettings.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class GlobalSettings;

// Splits a configuration line: blanks separate tokens; a token that starts with a double
// or single quote runs to the next identical quote (or the end of the line) and the quotes
// are not part of it.
std::vector<std::string> tokenizeConfigLine(std::string_view line);

// Reads every line of `file`, applying the commands; problems are reported with
// `fileName` and the line number, and reading goes on.
void readConfigFile(GlobalSettings& settings, FILE* file, const std::string& fileName);

}  // namespace qm
