#pragma once

#include <filesystem>
#include <map>
#include <string>

// Reads a fileset-list CSV file (code page 932, one fileset a line) into a map from
// fileset code to name. The code is the text before the first ",", the name the text
// up to the second "," or the end of the line; nothing else is interpreted (no header
// is skipped, nothing is trimmed or unquoted). A later line with the same code wins.
// Returns 0 when the file was read, 1 when it cannot be read.
int ReadFilesetList(const std::filesystem::path& csvFile,
                    std::map<std::string, std::string>& filesets);
