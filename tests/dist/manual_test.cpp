// The user's manual that the program folder ships (dist/docs/Manual.txt, packed into the Windows zip):
// every section that a message of the program sends the user to, and every section the manual names
// itself, is there. The program's references are read from its own sources, so a new "see Manual X.Y"
// in a message needs its section.
#include "tests/support/source_dir.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace zyn {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = test::sourceDir();
const fs::path kManual = kSourceDir / "dist" / "docs" / "Manual.txt";
// The rooms of the program (docs/architecture.md); tests and tools are not the program.
constexpr const char* kRooms[] = {"platform", "base",   "shown",  "requests", "settings", "aircraft", "airport",
                                  "traffic",  "sim",    "livery", "engine",   "parking",  "ui",       "core"};

// The text of the string literals of a C++ source, adjacent ones joined as the compiler joins them.
// Comments and character literals are skipped; raw literals are read to their closing delimiter.
std::vector<std::string> lf_stringLiterals(const std::string& code)
{
    std::vector<std::string> texts;
    bool joinNext = false;
    std::size_t i = 0;
    const std::size_t n = code.size();
    while (i < n) {
        const char c = code[i];
        if (code.compare(i, 2, "//") == 0) {
            i = code.find('\n', i);
            i = i == std::string::npos ? n : i;
        } else if (code.compare(i, 2, "/*") == 0) {
            i = code.find("*/", i + 2);
            i = i == std::string::npos ? n : i + 2;
        } else if (c == '\'' && i > 0 && std::isxdigit(static_cast<unsigned char>(code[i - 1])) &&
                   (i < 2 || code.compare(i - 2, 2, "u8") != 0)) {
            ++i; // a digit separator (600'000)
        } else if (c == '\'') {
            for (++i; i < n && code[i] != '\''; ++i)
                i += code[i] == '\\' ? 1 : 0;
            ++i;
            joinNext = false;
        } else if (code.compare(i, 2, "R\"") == 0 || c == '"') {
            std::string text;
            if (c == 'R') {
                const std::size_t open = code.find('(', i);
                const std::string close = ")" + code.substr(i + 2, open - i - 2) + "\"";
                const std::size_t end = code.find(close, open);
                text = code.substr(open + 1, end - open - 1);
                i = end + close.size();
            } else {
                for (++i; i < n && code[i] != '"'; ++i) {
                    if (code[i] == '\\')
                        ++i;
                    text += code[i];
                }
                ++i;
            }
            if (joinNext)
                texts.back() += text;
            else
                texts.push_back(text);
            joinNext = true;
        } else {
            if (!std::isspace(static_cast<unsigned char>(c)))
                joinNext = false;
            ++i;
        }
    }
    return texts;
}

// Every section number that a text names after the word (e.g. "Manual 5.1", "section 3").
std::set<std::string> lf_namedSections(const std::string& text, const std::string& word)
{
    const std::regex reference(word + R"(\s+([0-9]+(\.[0-9]+)*))");
    std::set<std::string> sections;
    for (std::sregex_iterator it(text.begin(), text.end(), reference), end; it != end; ++it)
        sections.insert((*it)[1].str());
    return sections;
}

std::set<std::string> lf_sectionsNamedByProgram()
{
    std::set<std::string> sections;
    for (const char* room : kRooms)
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kSourceDir / room)) {
            const std::string extension = entry.path().extension().string();
            if (extension != ".cpp" && extension != ".h")
                continue;
            for (const std::string& text : lf_stringLiterals(test::readText(entry.path())))
                sections.merge(lf_namedSections(text, "Manual"));
        }
    return sections;
}

// A section heading is its number at the start of a line, then its title ("5.1  Livery folders").
std::set<std::string> lf_sectionHeadings(const std::string& manual)
{
    const std::regex heading(R"((^|\n)([0-9]+(\.[0-9]+)*) +[^ \n])");
    std::set<std::string> sections;
    for (std::sregex_iterator it(manual.begin(), manual.end(), heading), end; it != end; ++it)
        sections.insert((*it)[2].str());
    return sections;
}

struct ReferenceCase {
    const char* who;
    std::set<std::string> named;
};

TEST(ProgramManual, HoldsEverySectionThatIsNamed)
{
    const std::string manual = test::readText(kManual);
    const std::set<std::string> headings = lf_sectionHeadings(manual);
    const ReferenceCase cases[] = {
        {"a message of the program", lf_sectionsNamedByProgram()},
        {"the manual itself", lf_namedSections(manual, "section")},
    };
    for (const ReferenceCase& c : cases) {
        SCOPED_TRACE(c.who);
        EXPECT_FALSE(c.named.empty()) << "no reference found: the search itself is broken";
        for (const std::string& section : c.named)
            EXPECT_TRUE(headings.contains(section)) << "section " << section << " is not in " << kManual;
    }
}

// Notepad of older Windows shows a file with bare line feeds as one long line.
TEST(ProgramManual, HasWindowsLineEnds)
{
    const std::string manual = test::readText(kManual);
    std::size_t lineFeeds = 0;
    std::size_t lineEnds = 0;
    for (std::size_t i = 0; i < manual.size(); ++i)
        if (manual[i] == '\n') {
            ++lineFeeds;
            lineEnds += i > 0 && manual[i - 1] == '\r';
        }
    EXPECT_GT(lineFeeds, 100u);
    EXPECT_EQ(lineEnds, lineFeeds);
    EXPECT_TRUE(manual.ends_with("\r\n"));
}

struct LiteralCase {
    const char* what;
    const char* code;
    std::set<std::string> sections;
};

// What the search must see as the compiler does, and what it must not take for a message.
TEST(ProgramManual, ReadsReferencesFromStringLiteralsOnly)
{
    const LiteralCase cases[] = {
        {"one literal", R"c(f("see Manual 5.1 (or not)");)c", {"5.1"}},
        {"split over joined literals", "f(\"switch off, see \"\n   \"Manual \" \"7\");", {"7"}},
        {"a raw literal", "f(R\"x(see Manual 2.3)x\");", {"2.3"}},
        {"an escaped quote before it", R"c(f("say \"hi\", Manual 4");)c", {"4"}},
        {"a comment", "// see Manual 9.9\nf(\"x\"); /* Manual 8 */", {}},
        {"a character literal between two literals", R"c(f("Manual ", '"', "6");)c", {}},
        {"after a digit separator", R"c(f(1'000, "Manual 3");)c", {"3"}},
    };
    for (const LiteralCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::set<std::string> found;
        for (const std::string& text : lf_stringLiterals(c.code))
            found.merge(lf_namedSections(text, "Manual"));
        EXPECT_EQ(found, c.sections);
    }
}

} // namespace
} // namespace zyn
