// The emulator's record keeps the latest calls and data sets, oldest first, whole, once it wraps.
#include <gtest/gtest.h>

#include "platform/simconnect/emulator_record.h"

namespace zyn::simemu {
namespace {

TEST(EmulatorRecord, CallRingKeepsTheLatestCallsWithTheirArguments)
{
    CallRing ring(3);
    const std::string longText(300, 't'); // beyond any short-string storage
    for (DWORD i = 0; i < 5; ++i) {
        CallRing::Entry& e = ring.add(i % 2 ? "SimConnect_B" : "SimConnect_A",
                                      {CallArg(i), CallArg(i == 3 ? std::string_view(longText) : "x"), CallArg(7u)}, i);
        e.packetId = i + 100;
    }
    const auto calls = ring.records();
    ASSERT_EQ(calls.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        const DWORD i = static_cast<DWORD>(k + 2);
        EXPECT_EQ(calls[k].function, i % 2 ? "SimConnect_B" : "SimConnect_A");
        EXPECT_EQ(calls[k].args, (std::vector<std::string>{std::to_string(i), i == 3 ? longText : "x", "7"}));
        EXPECT_EQ(calls[k].packetId, i + 100);
        EXPECT_DOUBLE_EQ(calls[k].atSeconds, i);
    }
    EXPECT_EQ(ring.recordsOf("SimConnect_B").size(), 1u);
    EXPECT_THROW(ring.add("SimConnect_C", {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u}, 0.0), std::length_error);
}

TEST(EmulatorRecord, DataSetRingsKeepTheLatestSetsOfEachObject)
{
    DataSetRings rings(2);
    for (int i = 0; i < 3; ++i) {
        auto& values = rings.scratch();
        for (int v = 0; v < 10 + i; ++v) // longer than the values an entry holds in place
            values.push_back(i * 100 + v);
        rings.add(4, i, static_cast<SIMCONNECT_DATA_DEFINITION_ID>(400 + i));
    }
    EXPECT_TRUE(rings.records(3).empty());
    const auto sets = rings.records(4);
    ASSERT_EQ(sets.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        const int i = static_cast<int>(k) + 1;
        EXPECT_EQ(sets[k].definition, static_cast<SIMCONNECT_DATA_DEFINITION_ID>(400 + i));
        ASSERT_EQ(sets[k].values.size(), static_cast<std::size_t>(10 + i));
        EXPECT_DOUBLE_EQ(sets[k].values.front(), i * 100);
        EXPECT_DOUBLE_EQ(sets[k].values.back(), i * 100 + 9 + i);
    }
}

} // namespace
} // namespace zyn::simemu
