// Suggestions for misspelt words: the candidate a slip of the keyboard most
// likely came from.
#include "checker/closest_word.h"

#include <algorithm>
#include <vector>

namespace corvel {

namespace {

char folded(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

}  // namespace

std::size_t editDistance(std::string_view a, std::string_view b) {
  // Three rows of the table suffice: a swap looks two rows back.
  std::vector<std::size_t> before(b.size() + 1);
  std::vector<std::size_t> previous(b.size() + 1);
  std::vector<std::size_t> current(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      std::size_t cost = folded(a[i - 1]) == folded(b[j - 1]) ? 0 : 1;
      current[j] = std::min(
          {previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
      if (i > 1 && j > 1 && folded(a[i - 1]) == folded(b[j - 2]) &&
          folded(a[i - 2]) == folded(b[j - 1]))
        current[j] = std::min(current[j], before[j - 2] + 1);
    }
    std::swap(before, previous);
    std::swap(previous, current);
  }
  return previous[b.size()];
}

std::optional<std::string_view> closestWord(
    std::string_view word, std::span<const std::string_view> candidates) {
  std::optional<std::string_view> best;
  // One slip in a short word, two in a longer one; a word of one character
  // only differs in case, since any other is one edit away.
  std::size_t most = word.size() <= 1 ? 0 : word.size() <= 4 ? 1 : 2;
  std::size_t bestDistance = most + 1;
  for (std::string_view candidate : candidates) {
    if (candidate == word) continue;
    // Lengths alone can rule a candidate out without the table.
    std::size_t gap = candidate.size() > word.size()
                          ? candidate.size() - word.size()
                          : word.size() - candidate.size();
    if (gap >= bestDistance) continue;
    std::size_t distance = editDistance(word, candidate);
    if (distance < bestDistance) {
      best = candidate;
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace corvel
