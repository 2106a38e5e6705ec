// Suggestions for misspelt words: the candidate a slip of the keyboard most
// likely came from.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace corvel {

// Returns the edit distance between `a` and `b` with ASCII letters compared
// without case: the fewest insertions, deletions, replacements and swaps of
// two neighbouring bytes that turn one into the other.
std::size_t editDistance(std::string_view a, std::string_view b);

// Returns the candidate closest to `word`, when it is close enough to be what
// was meant: one edit for a word of two to four bytes, two for a longer one,
// and only a change of case for a word of one byte.
// Of equally close candidates the first wins; `word` itself never does.
std::optional<std::string_view> closestWord(
    std::string_view word, std::span<const std::string_view> candidates);

}  // namespace corvel
