#pragma once
// Regular expressions that data files bring along (search patterns of the aircraft database), matched
// in time proportional to pattern size times text length and with a stack depth bounded by the
// pattern's nesting, whatever the text: a downloaded file can neither exhaust the stack nor hang the
// program, as a backtracking matcher lets it. The grammar is ECMAScript's without back-references
// and look-arounds: literals, ".", escapes (\d \w \s and their negations, \t \n \xHH ...), bracket
// classes, groups "( )" and "(?: )", "|", the quantifiers * + ? {n} {n,} {n,m} (greedy or lazy),
// and the assertions ^ $ \b \B. "." matches any byte but a line feed or carriage return; case-blind
// matching folds ASCII letters only.
#include <bitset>
#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace zyn {

class TextPattern {
public:
    // Throws std::invalid_argument for a pattern outside the grammar, nested deeper than 100 groups
    // or compiling to more than 20 000 steps (counted repetitions are unrolled).
    TextPattern(std::string_view pattern, bool ignoreCase);

    // Whether the pattern matches the whole text.
    bool matchesWhole(std::string_view text) const;

    enum class Op : std::uint8_t { Byte, Any, Class, Split, Jump, Start, End, WordEdge, NotWordEdge, Match };
    struct Step {
        Op op = Op::Match;
        unsigned char byte = 0;   // Byte
        std::uint32_t a = 0;      // Class: index; Split and Jump: target
        std::uint32_t b = 0;      // Split: second target
    };

private:
    std::vector<Step> m_steps;
    std::vector<std::bitset<256>> m_classes;
    bool m_ignoreCase;
};

} // namespace zyn
