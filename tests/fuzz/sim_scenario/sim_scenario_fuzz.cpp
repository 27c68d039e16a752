// The emulated simulator's scenario (TARVO_SIM_SCENARIO): anything but a scenario is a runtime_error.
#include "platform/simconnect/emulator_scenario.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        (void)zyn::simemu::gf_parseScenario(zyn::fuzz::asText(data, size));
    } catch (const std::runtime_error&) {
        // the documented answer to a bad scenario
    }
    return 0;
}
