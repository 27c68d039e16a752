#include "base/text_pattern.h"

#include <fmt/format.h>

#include <string>

namespace zyn {

namespace {

constexpr std::size_t kMaxNesting = 100;
constexpr std::size_t kMaxSteps = 20000;
constexpr int kMaxCount = 1000;
constexpr int kUnbounded = -1;

using ByteSet = std::bitset<256>;

unsigned char lf_patternFold(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

bool lf_isPatternWord(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool lf_isPatternDigit(char c) { return c >= '0' && c <= '9'; }

ByteSet lf_patternSet(bool (*member)(unsigned char))
{
    ByteSet set;
    for (unsigned c = 0; c < 256; ++c)
        set[c] = member(static_cast<unsigned char>(c));
    return set;
}

bool lf_isPatternDigitByte(unsigned char c) { return c >= '0' && c <= '9'; }
bool lf_isPatternSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The parsed pattern: a tree whose depth follows the nesting of groups.
struct PatternNode {
    enum class Kind { Sequence, Alternatives, Repeat, Byte, Any, Class, Start, End, WordEdge, NotWordEdge };
    PatternNode(Kind k = Kind::Sequence) : kind(k) {} // NOLINT: a kind converts to its node
    Kind kind;
    unsigned char byte = 0;
    std::uint32_t classIndex = 0;
    int min = 0;
    int max = 0;
    std::vector<PatternNode> children;
};

class PatternParser {
public:
    PatternParser(std::string_view pattern, bool ignoreCase, std::vector<ByteSet>& classes)
        : m_text(pattern), m_ignoreCase(ignoreCase), m_classes(classes)
    {
    }

    PatternNode parse()
    {
        PatternNode root = alternatives(0);
        if (m_at < m_text.size())
            fail("unmatched )");
        return root;
    }

private:
    [[noreturn]] void fail(std::string_view what) const
    {
        throw std::invalid_argument(fmt::format("pattern \"{}\": {} at {}", m_text.substr(0, 80), what, m_at));
    }
    bool more() const { return m_at < m_text.size(); }
    char peek() const { return m_text[m_at]; }
    bool take(char c)
    {
        if (!more() || peek() != c)
            return false;
        ++m_at;
        return true;
    }
    char next()
    {
        if (!more())
            fail("pattern ends too early");
        return m_text[m_at++];
    }

    PatternNode alternatives(std::size_t depth)
    {
        if (depth > kMaxNesting)
            fail("groups nested too deeply");
        PatternNode first = sequence(depth);
        if (!more() || peek() != '|')
            return first;
        PatternNode node{PatternNode::Kind::Alternatives};
        node.children.push_back(std::move(first));
        while (take('|'))
            node.children.push_back(sequence(depth));
        return node;
    }

    PatternNode sequence(std::size_t depth)
    {
        PatternNode node{PatternNode::Kind::Sequence};
        while (more() && peek() != '|' && peek() != ')')
            node.children.push_back(term(depth));
        return node;
    }

    PatternNode term(std::size_t depth)
    {
        const char c = next();
        switch (c) {
        case '^':
            return {PatternNode::Kind::Start};
        case '$':
            return {PatternNode::Kind::End};
        case '\\':
            if (take('b'))
                return {PatternNode::Kind::WordEdge};
            if (take('B'))
                return {PatternNode::Kind::NotWordEdge};
            return quantified(classNode(escape(false)));
        case '(':
            return quantified(group(depth));
        case '.':
            return quantified({PatternNode::Kind::Any});
        case '[':
            return quantified(classNode(bracket()));
        case '*':
        case '+':
        case '?':
        case '{':
            fail("nothing to repeat");
        default:
            return quantified(byteNode(static_cast<unsigned char>(c)));
        }
    }

    PatternNode group(std::size_t depth)
    {
        if (take('?') && !take(':'))
            fail("look-arounds are not supported");
        PatternNode inner = alternatives(depth + 1);
        if (!take(')'))
            fail("unclosed (");
        return inner;
    }

    PatternNode byteNode(unsigned char c) const
    {
        PatternNode node{PatternNode::Kind::Byte};
        node.byte = m_ignoreCase ? lf_patternFold(c) : c;
        return node;
    }

    // Case-blind: a letter in the set brings its other case (before a negation, so that [^a] refuses A).
    void fold(ByteSet& set) const
    {
        if (!m_ignoreCase)
            return;
        for (unsigned c = 'A'; c <= 'Z'; ++c)
            if (set[c] || set[c + 32])
                set[c] = set[c + 32] = true;
    }

    PatternNode classNode(ByteSet set)
    {
        fold(set);
        PatternNode node{PatternNode::Kind::Class};
        node.classIndex = static_cast<std::uint32_t>(m_classes.size());
        m_classes.push_back(set);
        return node;
    }

    // After a backslash: the set the escape stands for (one byte for a plain escape).
    ByteSet escape(bool inBracket)
    {
        const char c = next();
        ByteSet set;
        switch (c) {
        case 'd': return lf_patternSet(lf_isPatternDigitByte);
        case 'D': return ~lf_patternSet(lf_isPatternDigitByte);
        case 'w': return lf_patternSet(lf_isPatternWord);
        case 'W': return ~lf_patternSet(lf_isPatternWord);
        case 's': return lf_patternSet(lf_isPatternSpace);
        case 'S': return ~lf_patternSet(lf_isPatternSpace);
        default:
            set[escapedByte(c, inBracket)] = true;
            return set;
        }
    }

    unsigned char escapedByte(char c, bool inBracket)
    {
        switch (c) {
        case 't': return '\t';
        case 'n': return '\n';
        case 'r': return '\r';
        case 'f': return '\f';
        case 'v': return '\v';
        case 'b':
            if (inBracket)
                return '\b';
            break;
        case '0':
            if (!more() || !lf_isPatternDigit(peek()))
                return 0;
            break;
        case 'x': return static_cast<unsigned char>(hexValue(2));
        case 'u': {
            const unsigned value = hexValue(4);
            if (value > 0xFF)
                fail("characters beyond one byte are not supported");
            return static_cast<unsigned char>(value);
        }
        case 'c': {
            const char letter = next();
            if (!((letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z')))
                fail("\\c needs a letter");
            return static_cast<unsigned char>(letter % 32);
        }
        default:
            if (!lf_isPatternWord(static_cast<unsigned char>(c)))
                return static_cast<unsigned char>(c);
        }
        fail(lf_isPatternDigit(c) ? "back-references are not supported" : "unknown escape");
    }

    unsigned hexValue(int digits)
    {
        unsigned value = 0;
        for (int i = 0; i < digits; ++i) {
            const char c = next();
            const unsigned char f = lf_patternFold(static_cast<unsigned char>(c));
            if (lf_isPatternDigit(c))
                value = value * 16 + static_cast<unsigned>(c - '0');
            else if (f >= 'a' && f <= 'f')
                value = value * 16 + static_cast<unsigned>(f - 'a' + 10);
            else
                fail("hexadecimal digit expected");
        }
        return value;
    }

    // After "[": the set up to the closing "]".
    ByteSet bracket()
    {
        const bool negated = take('^');
        ByteSet set;
        while (!take(']')) {
            bool single = true;
            const ByteSet first = bracketAtom(single);
            if (single && more() && peek() == '-' && m_at + 1 < m_text.size() && m_text[m_at + 1] != ']') {
                ++m_at;
                bool singleLast = true;
                const ByteSet last = bracketAtom(singleLast);
                if (!singleLast)
                    fail("a range needs single characters");
                const std::size_t from = lf_firstMember(first);
                const std::size_t to = lf_firstMember(last);
                if (from > to)
                    fail("range out of order");
                for (std::size_t c = from; c <= to; ++c)
                    set[c] = true;
            } else {
                set |= first;
            }
        }
        fold(set);
        return negated ? ~set : set;
    }

    ByteSet bracketAtom(bool& single)
    {
        const char c = next();
        if (c != '\\') {
            ByteSet set;
            set[static_cast<unsigned char>(c)] = true;
            return set;
        }
        const ByteSet set = escape(true);
        single = set.count() == 1;
        return set;
    }

    static std::size_t lf_firstMember(const ByteSet& set)
    {
        std::size_t c = 0;
        while (!set[c])
            ++c;
        return c;
    }

    PatternNode quantified(PatternNode atom)
    {
        int min = 0;
        int max = 0;
        if (take('*')) {
            max = kUnbounded;
        } else if (take('+')) {
            min = 1;
            max = kUnbounded;
        } else if (take('?')) {
            max = 1;
        } else if (take('{')) {
            min = max = count();
            if (take(','))
                max = more() && peek() == '}' ? kUnbounded : count();
            if (!take('}') || (max != kUnbounded && max < min))
                fail("bad {} quantifier");
        } else {
            return atom;
        }
        take('?'); // lazy: the same texts match
        if (more() && (peek() == '*' || peek() == '+' || peek() == '?' || peek() == '{'))
            fail("nothing to repeat");
        PatternNode node{PatternNode::Kind::Repeat};
        node.min = min;
        node.max = max;
        node.children.push_back(std::move(atom));
        return node;
    }

    int count()
    {
        int value = 0;
        bool any = false;
        while (more() && lf_isPatternDigit(peek())) {
            value = value * 10 + (next() - '0');
            any = true;
            if (value > kMaxCount)
                fail("count too large");
        }
        if (!any)
            fail("count expected");
        return value;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    bool m_ignoreCase;
    std::vector<ByteSet>& m_classes;
};

// Turns the tree into steps of a Thompson machine.
class StepWriter {
public:
    explicit StepWriter(std::vector<TextPattern::Step>& steps) : m_steps(steps) {}

    void write(const PatternNode& node)
    {
        using Kind = PatternNode::Kind;
        using Op = TextPattern::Op;
        switch (node.kind) {
        case Kind::Sequence:
            for (const auto& child : node.children)
                write(child);
            break;
        case Kind::Alternatives:
            alternatives(node.children);
            break;
        case Kind::Repeat:
            repeat(node);
            break;
        case Kind::Byte:
            add({Op::Byte, node.byte});
            break;
        case Kind::Any:
            add({Op::Any});
            break;
        case Kind::Class:
            add({Op::Class, 0, node.classIndex});
            break;
        case Kind::Start:
            add({Op::Start});
            break;
        case Kind::End:
            add({Op::End});
            break;
        case Kind::WordEdge:
            add({Op::WordEdge});
            break;
        case Kind::NotWordEdge:
            add({Op::NotWordEdge});
            break;
        }
    }

    std::uint32_t add(TextPattern::Step step)
    {
        if (m_steps.size() >= kMaxSteps)
            throw std::invalid_argument("pattern compiles to too many steps");
        m_steps.push_back(step);
        return static_cast<std::uint32_t>(m_steps.size() - 1);
    }
    std::uint32_t here() const { return static_cast<std::uint32_t>(m_steps.size()); }

private:
    // A split to the next step or to a target filled in later.
    std::uint32_t split()
    {
        const auto at = add({TextPattern::Op::Split});
        m_steps[at].a = at + 1;
        return at;
    }

    void alternatives(const std::vector<PatternNode>& children)
    {
        std::vector<std::uint32_t> jumps;
        for (std::size_t i = 0; i + 1 < children.size(); ++i) {
            const auto fork = split();
            write(children[i]);
            jumps.push_back(add({TextPattern::Op::Jump}));
            m_steps[fork].b = here();
        }
        write(children.back());
        for (const auto jump : jumps)
            m_steps[jump].a = here();
    }

    void repeat(const PatternNode& node)
    {
        for (int i = 0; i < node.min; ++i)
            write(node.children.front());
        if (node.max == kUnbounded) {
            const auto loop = split();
            write(node.children.front());
            add({TextPattern::Op::Jump, 0, loop});
            m_steps[loop].b = here();
            return;
        }
        std::vector<std::uint32_t> skips;
        for (int i = node.min; i < node.max; ++i) {
            skips.push_back(split());
            write(node.children.front());
        }
        for (const auto skip : skips)
            m_steps[skip].b = here();
    }

    std::vector<TextPattern::Step>& m_steps;
};

bool lf_atPatternWordEdge(std::string_view text, std::size_t at)
{
    const bool before = at > 0 && lf_isPatternWord(static_cast<unsigned char>(text[at - 1]));
    const bool after = at < text.size() && lf_isPatternWord(static_cast<unsigned char>(text[at]));
    return before != after;
}

} // namespace

TextPattern::TextPattern(std::string_view pattern, bool ignoreCase) : m_ignoreCase(ignoreCase)
{
    const PatternNode root = PatternParser(pattern, ignoreCase, m_classes).parse();
    StepWriter writer(m_steps);
    writer.write(root);
    writer.add({Op::Match});
}

bool TextPattern::matchesWhole(std::string_view text) const
{
    // Every state the machine can be in, one list per position: a state is entered at most once per
    // position (marked with the position's generation), so the work per byte is bounded by the steps.
    std::vector<std::uint32_t> current;
    std::vector<std::uint32_t> next;
    std::vector<std::size_t> seen(m_steps.size(), static_cast<std::size_t>(-1));
    std::vector<std::uint32_t> pending;
    const auto enter = [&](std::vector<std::uint32_t>& list, std::uint32_t from, std::size_t at) {
        pending.push_back(from);
        while (!pending.empty()) {
            const std::uint32_t pc = pending.back();
            pending.pop_back();
            if (seen[pc] == at)
                continue;
            seen[pc] = at;
            const Step& step = m_steps[pc];
            switch (step.op) {
            case Op::Jump:
                pending.push_back(step.a);
                break;
            case Op::Split:
                pending.push_back(step.b);
                pending.push_back(step.a);
                break;
            case Op::Start:
                if (at == 0)
                    pending.push_back(pc + 1);
                break;
            case Op::End:
                if (at == text.size())
                    pending.push_back(pc + 1);
                break;
            case Op::WordEdge:
            case Op::NotWordEdge:
                if (lf_atPatternWordEdge(text, at) == (step.op == Op::WordEdge))
                    pending.push_back(pc + 1);
                break;
            default:
                list.push_back(pc);
            }
        }
    };
    enter(current, 0, 0);
    for (std::size_t at = 0; at < text.size() && !current.empty(); ++at) {
        const auto c = static_cast<unsigned char>(text[at]);
        next.clear();
        for (const std::uint32_t pc : current) {
            const Step& step = m_steps[pc];
            bool takes = false;
            switch (step.op) {
            case Op::Byte:
                takes = (m_ignoreCase ? lf_patternFold(c) : c) == step.byte;
                break;
            case Op::Any:
                takes = c != '\n' && c != '\r';
                break;
            case Op::Class:
                takes = m_classes[step.a][c];
                break;
            default:
                break;
            }
            if (takes)
                enter(next, pc + 1, at + 1);
        }
        current.swap(next);
    }
    for (const std::uint32_t pc : current)
        if (m_steps[pc].op == Op::Match && seen[pc] == text.size())
            return true;
    return false;
}

} // namespace zyn
