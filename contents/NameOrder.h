// How the contents page orders and matches file names: the A-Z-only case folding of the
// picture list and the folder tree, and the wildcard patterns of the pattern check list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace folivex {

// Compares two names with the letters A to Z folded to lower case and every other byte
// taken as it is (no locale). Names equal under that folding are ordered by their raw
// bytes, so the order is total and a sort gives the same result every time.
int CompareFileNames(std::string_view a, std::string_view b);

inline bool FileNameLess(std::string_view a, std::string_view b) {
    return CompareFileNames(a, b) < 0;
}

// The folding alone: equal but for the case of A to Z.
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

// Wildcard match of a file name against one pattern such as "*.jpg": "*" stands for any
// run of characters, "?" for one character (one UTF-8 sequence), A to Z match either case.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// Sorts names in place with CompareFileNames.
void SortFileNames(std::vector<std::string>& names);

} // namespace folivex
