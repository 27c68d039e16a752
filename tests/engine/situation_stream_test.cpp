#include "engine/situation_stream.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

namespace zyn {
namespace {

Situation at(int key)
{
    Situation s;
    s.timeKey = key;
    return s;
}

std::vector<int> keys(const SituationStream& s)
{
    std::vector<int> k;
    for (const Situation& situation : s)
        k.push_back(situation.timeKey);
    return k;
}

std::vector<int> keys(const std::deque<Situation>& d)
{
    std::vector<int> k;
    for (const auto& s : d)
        k.push_back(s.timeKey);
    return k;
}

TEST(SituationStream, BehavesLikeADequeUnderMixedEdits)
{
    std::mt19937 random(3);
    SituationStream stream(at(0));
    std::deque<Situation> model{at(0)};
    for (int step = 1; step < 5000; ++step) {
        const int op = std::uniform_int_distribution<int>(0, 6)(random);
        const std::size_t n = model.size();
        if (op == 0 || op == 1 || n == 0) {
            stream.push_back(at(step));
            model.push_back(at(step));
        } else if (op == 2) {
            stream.pop_front();
            model.pop_front();
        } else if (op == 3) {
            const std::size_t i = std::uniform_int_distribution<std::size_t>(0, n)(random);
            stream.insert(i, at(step));
            model.insert(model.begin() + i, at(step));
        } else if (op == 4) {
            const std::size_t i = std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
            stream.erase(i);
            model.erase(model.begin() + i);
        } else if (op == 5) {
            stream.push_front(at(step));
            model.push_front(at(step));
        } else {
            stream.pop_back();
            model.pop_back();
        }
        ASSERT_EQ(keys(stream), keys(model)) << "step " << step;
    }
    for (Situation& s : stream)
        s.timeKey += 1;
    for (Situation& s : model)
        s.timeKey += 1;
    EXPECT_EQ(keys(stream), keys(model));
    stream.truncate(1);
    model.resize(std::min<std::size_t>(model.size(), 1));
    EXPECT_EQ(keys(stream), keys(model));
}

TEST(SituationStream, CheckedAccessBeyondTheEndThrows)
{
    SituationStream stream(at(1));
    EXPECT_EQ(stream.at(0).timeKey, 1);
    try {
        stream.at(1);
        FAIL();
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "invalid deque<T> subscript");
    }
    stream.pop_front();
    EXPECT_THROW(stream.front(), std::out_of_range);
    EXPECT_THROW(stream.pop_front(), std::out_of_range);
    EXPECT_THROW(stream.erase(0), std::out_of_range);
    EXPECT_THROW(stream.insert(1, at(2)), std::out_of_range);
}

TEST(SituationStream, SteadyFlowKeepsItsCapacity)
{
    SituationStream stream(at(0));
    for (int i = 1; i < 6; ++i)
        stream.push_back(at(i));
    const std::size_t capacity = stream.capacity();
    for (int i = 6; i < 10000; ++i) { // one report in, one consumed
        stream.push_back(at(i));
        stream.pop_front();
    }
    EXPECT_EQ(stream.capacity(), capacity);
    EXPECT_EQ(stream.size(), 6u);
    EXPECT_EQ(stream.back().timeKey, 9999);
}

} // namespace
} // namespace zyn
