// The tests run the program's parts in one process, so they install what the program installs at
// start-up: the exit sequence behind every exit request and the start-up behind WM_APP+1.
#include "core/exit.h"
#include "core/startup.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>

namespace zyn::test {
namespace {

class ProgramHooks : public ::testing::Environment {
public:
    void SetUp() override
    {
        gf_installExitSequence();
        gf_setStartupStarter(gf_startStartupThread);
    }
};

const auto* const g_programHooks = ::testing::AddGlobalTestEnvironment(new ProgramHooks);

} // namespace
} // namespace zyn::test
