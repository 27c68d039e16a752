#include "base/version.h"

#include <gtest/gtest.h>

#include <string>

namespace zyn {
namespace {

struct VersionCase {
    std::string text;
    Version expected;
};

TEST(VersionText, ParsesDottedAndJsonFormsAndRejectsTheRest)
{
    const VersionCase cases[] = {
        VersionCase{"10.10.5", {10, 10, 5}},
        VersionCase{"10-10-5", {10, 10, 5}}, // any single separator
        VersionCase{"0.0.12", {0, 0, 12}},
        VersionCase{"10.10", {}}, // two numbers
        VersionCase{"10.10.5 beta", {}}, // trailing text
        VersionCase{"10.10.5\r", {}}, // a line end belongs to the reader
        VersionCase{"10..10.5", {}}, // two separators
        VersionCase{"", {}},
        VersionCase{"garbage", {}},
        VersionCase{R"({"major": 11, "minor": 2, "patch": 7})", {11, 2, 7}},
        VersionCase{R"({"minor": 2})", {0, 2, 0}}, // members taken when present
        VersionCase{R"({"major": 3, "minor": "x", "patch": 1})", {3, 0, 0}}, // stops at a wrong type
        VersionCase{R"({"major": 1.5})", {}}, // not an integer
        VersionCase{R"([1, 2, 3])", {}}, // not an object
        VersionCase{R"({"major": 4, )", {}}, // JSON syntax error
        VersionCase{"99999999999.1.2", {}}, // out of range
        VersionCase{"1.99999999999.2", {1, 0, 0}}, // kept as far as it was read
        VersionCase{R"({"major": 5, "minor": 3000000000})", {5, 0, 0}},
        VersionCase{"12345", {1, 3, 5}}, // a separator may be a digit: the groups are as long as they can be
        VersionCase{"1\n2\n3", {}}, // a line break is no separator
        // Long digit runs are read without deep recursion, leading zeros and all.
        VersionCase{std::string(30000, '0') + "5.6.7", {5, 6, 7}},
        VersionCase{"1.2." + std::string(30000, '0') + "3", {1, 2, 3}},
        VersionCase{std::string(30000, '1'), {}}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(gf_parseVersion(text), expected) << text;
}

TEST(VersionOrder, ComparesMajorThenMinorThenPatch)
{
    EXPECT_LT((Version{10, 10, 4}), (Version{10, 10, 5}));
    EXPECT_LT((Version{10, 10, 9}), (Version{10, 11, 0}));
    EXPECT_LT((Version{9, 99, 99}), (Version{10, 0, 0}));
    EXPECT_FALSE((Version{10, 10, 4}) < (Version{10, 10, 4}));
    EXPECT_FALSE(Version{}.known());
}

TEST(VersionOrder, TextFormsRoundTrip)
{
    const Version version{10, 2, 33};
    std::string text;
    gf_versionToString(version, text);
    EXPECT_EQ(text, "10.2.33");
    EXPECT_EQ(gf_parseVersion(gf_versionToString(version)), version);
}

} // namespace
} // namespace zyn
