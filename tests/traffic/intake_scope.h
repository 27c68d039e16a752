#pragma once
// The hand-over to the main loop as a test finds and leaves it: empty and closed, with the engine
// clock put back.
#include "base/tick.h"
#include "traffic/intake.h"

#include <cstdint>

namespace zyn::test {

class IntakeScope {
public:
    IntakeScope() { gf_clearIntake(); }
    ~IntakeScope()
    {
        gf_setIntakeEnabled(false);
        gf_clearIntake();
        g_tick.store(m_tick);
    }
    IntakeScope(const IntakeScope&) = delete;
    IntakeScope& operator=(const IntakeScope&) = delete;

private:
    std::int32_t m_tick = g_tick.load();
};

} // namespace zyn::test
