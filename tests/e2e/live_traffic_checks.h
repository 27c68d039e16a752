#pragma once
// Checks of a live traffic run against what its scenario makes the aircraft do, read from the stand-in's
// scripted reports, set against the events and tracks the emulated simulator recorded for the objects
// the program created.
#include "base/geo.h"
#include "platform/simconnect/emulator.h"
#include "tools/traffic_server.h"

#include <map>
#include <string>
#include <vector>

namespace zyn::test {

// Scenario seconds at which each callsign is first reported airborne after the ground.
std::map<std::string, double> scenarioLiftOffs(const tools::TrafficScenario& scenario);

// Reports play this long after the moment they describe.
inline constexpr double kPlayDelaySeconds = 30.0;

// Every aircraft whose lift-off has played by endSeconds flies on with its gear up; returns how many
// were checked.
int expectGearUpAfterTakeOff(const std::vector<simemu::SimObject>& objects,
                             const std::map<std::string, double>& liftOffs, double endSeconds);

// Each object that lived through its light cycle had all its lights toggled twice; returns how many.
int expectLightCycleOnEachObject(const std::vector<simemu::SimObject>& objects);

// The object flew no further than the range before it was removed, and went only once it was near the edge.
void expectRemovedAtTheRangeEdge(const simemu::SimObject& object, LatLon user, double rangeNm);

} // namespace zyn::test
