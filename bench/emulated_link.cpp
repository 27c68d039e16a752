#include "bench/emulated_link.h"

#include "sim/link_state.h"
#include "sim/queues.h"
#include "sim/registration.h"

namespace zyn::bench {

simemu::Scenario instantScenario()
{
    simemu::Scenario scenario;
    scenario.behaviour.creationDelayMinS = scenario.behaviour.creationDelayMaxS = 0.0;
    scenario.behaviour.drift = false;
    return scenario;
}

HANDLE openEmulatedLink(const simemu::Scenario& scenario)
{
    simemu::reset(scenario);
    gf_resetSimLink();
    gf_initSimConnectQueues();
    HANDLE h = nullptr;
    SimConnect_Open(&h, "Bench", nullptr, 0, nullptr, 0);
    g_hSimConnect = h;
    gf_registerSimConnect(h);
    return h;
}

} // namespace zyn::bench
