#include "contents/NameOrder.h"

#include <algorithm>

namespace folivex {

namespace {

unsigned char Fold(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

int CompareFolded(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = Fold(static_cast<unsigned char>(a[i]));
        const unsigned char y = Fold(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Length of the UTF-8 sequence that starts at name[i]; stray bytes count alone.
std::size_t SequenceLength(std::string_view name, std::size_t i) {
    std::size_t j = i + 1;
    while (j < name.size() && IsContinuation(name[j]))
        ++j;
    return j - i;
}

bool SameByte(char a, char b) {
    return Fold(static_cast<unsigned char>(a)) == Fold(static_cast<unsigned char>(b));
}

} // namespace

int CompareFileNames(std::string_view a, std::string_view b) {
    if (const int folded = CompareFolded(a, b); folded != 0)
        return folded;
    const int raw = a.compare(b);
    return raw < 0 ? -1 : (raw > 0 ? 1 : 0);
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    return CompareFolded(a, b) == 0;
}

// Iterative matcher with one back-tracking point per "*": linear in practice and never
// recursive, so a hostile pattern cannot exhaust the stack.
bool MatchesPattern(std::string_view name, std::string_view pattern) {
    std::size_t n = 0, p = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += SequenceLength(name, n);
        } else if (p < pattern.size() && SameByte(pattern[p], name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            starN += SequenceLength(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

void SortFileNames(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return FileNameLess(a, b); });
}

} // namespace folivex
