#include "airport/apf_format.h"
#include "airport/learned_merge.h"
#include "airport/option_text.h"
#include "tests/airport/airport_fixture.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>

namespace zyn {
namespace {

// Lengths around the inline limit of 15 and far beyond it.
const std::size_t kLengths[] = {0, 1, 3, 4, 7, 8, 14, 15, 16, 17, 40, 300};

std::string lf_textOf(std::size_t length)
{
    std::string text;
    for (std::size_t i = 0; i < length; ++i)
        text += static_cast<char>('A' + i % 26);
    return text;
}

TEST(OptionText, KeepsEveryTextWholeInlineOrOnTheHeap)
{
    for (const std::size_t length : kLengths) {
        const std::string text = lf_textOf(length);
        OptionText read;
        read.assignValue(text.c_str());
        const OptionText built(text);
        for (const OptionText* t : std::array<const OptionText*, 2>{&read, &built}) {
            EXPECT_EQ(t->size(), length);
            EXPECT_EQ(t->view(), text);
            EXPECT_EQ(std::string(t->c_str()), text); // terminated in both forms
        }
        OptionText copy(read);
        OptionText assigned("x");
        assigned = read;
        OptionText moved(std::move(copy));
        EXPECT_TRUE(copy.empty()); // NOLINT: a moved-from text is empty
        EXPECT_EQ(moved, text);
        EXPECT_EQ(assigned, text);
        assigned = std::move(moved);
        EXPECT_EQ(assigned, text);
        EXPECT_TRUE(moved.empty()); // NOLINT
    }
    OptionText none;
    none.assignValue(nullptr);
    EXPECT_TRUE(none.empty());
    EXPECT_STREQ(none.c_str(), "");
}

TEST(OptionText, TakesPartOfItselfInEitherForm)
{
    for (const std::size_t length : kLengths) {
        if (length < 2)
            continue;
        const std::string text = lf_textOf(length);
        OptionText t(text);
        t.assign(t.data() + 1, t.size() - 1);
        EXPECT_EQ(t, text.substr(1)) << length;
        t.assign(t.data(), t.size() / 2);
        EXPECT_EQ(t, text.substr(1, (length - 1) / 2)) << length;
    }
}

TEST(OptionText, ComparesAndFormatsAsItsText)
{
    const OptionText dlh("DLH123"), longer(lf_textOf(20));
    EXPECT_TRUE(dlh == "DLH123");
    EXPECT_TRUE(std::string("DLH123") == dlh);
    EXPECT_TRUE(dlh != std::string_view("DLH12"));
    EXPECT_LT(longer, dlh); // "ABC..." first, whatever the forms
    EXPECT_LT(OptionText("DLH1"), dlh);
    EXPECT_EQ(fmt::format("[{:>8}] [{}]", dlh, longer), fmt::format("[  DLH123] [{}]", lf_textOf(20)));
    const std::string asText = dlh;
    EXPECT_EQ(asText, "DLH123");
}

class LongOptionTexts : public test::AirportFixture {};

// Registrations, callsigns, airlines and types longer than the inline room survive the read, the
// learned merge and a save whole.
TEST_F(LongOptionTexts, SurviveReadMergeAndSave)
{
    const std::string reg = "TV-" + lf_textOf(25), cs = "CALLSIGN" + lf_textOf(20), cs2 = lf_textOf(16);
    const std::string airline = "AIRLINE-" + lf_textOf(12), type = "TYPE" + lf_textOf(30);
    tools::ApfSpec stock{.parameters = test::stockParameters()};
    stock.stands.push_back(test::fullStand(
        "A1", 50.0, 10.0, {},
        {{{"reg", reg}, {"airl", airline}, {"type", type}, {"day", "2"}, {"hh", "10"}, {"cs", cs + ":" + cs2}}}));
    writeApf("airports/my_thirdparty/EDDT.xml", stock);
    tools::ApfSpec learned{.parameters = {}};
    learned.stands = {{{{"id", "A1"}},
                       {{{"reg", reg + "X"}, {"airl", airline}, {"type", type}, {"day", "3"}, {"hh", "11"}, {"cs", cs}}}}};
    writeApf("airports/learned/thirdparty/stock/EDDT.xml", learned);

    ASSERT_EQ(gf_readApf("airports/my_thirdparty/EDDT.xml", info, quality, stands), "");
    ASSERT_EQ(stands.size(), 1u);
    ASSERT_EQ(stands[0].options.size(), 2u);
    const auto expectWhole = [&](const std::vector<ParkPosOption>& options) {
        EXPECT_EQ(options[0].registration, reg);
        EXPECT_EQ(options[0].airline, airline);
        EXPECT_EQ(options[0].type, type);
        EXPECT_EQ(options[0].callsign, cs);
        EXPECT_EQ(options[0].callsign2, cs2);
        EXPECT_EQ(options[1].registration, reg + "X");
        EXPECT_EQ(options[1].callsign, cs);
        EXPECT_TRUE(options[1].callsign2.empty());
    };
    expectWhole(stands[0].options);

    ASSERT_TRUE(gf_writeApf({.airportName = "Test field", .publisher = "stock", .stands = stands}, "saved.xml",
                            ApfMode::Learned));
    std::vector<ParkPos> back{test::makeStand("A1", 50.0, 10.0, 20.0)};
    bool handmade = false;
    lf_readLearned("saved.xml", "Test field", back, handmade);
    ASSERT_EQ(back[0].options.size(), 2u);
    expectWhole(back[0].options);
}

} // namespace
} // namespace zyn
