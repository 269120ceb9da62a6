#pragma once

#include <deque>
#include <string>

// An ordered list of strings that keeps duplicates: added and removed at both ends,
// inserted before a given entry. XML line lists are string lists without line ends.
using StringList = std::deque<std::string>;
