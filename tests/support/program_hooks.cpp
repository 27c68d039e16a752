// The tests run the program's parts in one process, so they connect the rooms as the program does
// at start-up: the exit sequence, static parking's answers to the engine, the start-up of WM_APP+1.
#include "core/startup.h"

#include <gtest/gtest.h>

namespace zyn::test {
namespace {

class ProgramHooks : public ::testing::Environment {
public:
    void SetUp() override { gf_connectRooms(); }
};

const auto* const g_programHooks = ::testing::AddGlobalTestEnvironment(new ProgramHooks);

} // namespace
} // namespace zyn::test
