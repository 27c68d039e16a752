#pragma once
// Merging one fetched traffic record into the live list: it extends a known aircraft's stream, is
// dropped, or becomes a new live aircraft. Main-loop thread only.
#include "engine/records.h"

namespace zyn {

void lf_mergeTrafficRecord(const TrafficRecord& record);
// True when the record belongs to this aircraft (used or dropped); false when it belongs to another.
bool lf_updateExistingLiveAc(const TrafficRecord& record, LiveAcRecord& aircraft);
void lf_addNewLiveAc(TrafficRecord record);
void lf_createLiveAcRecord(TrafficRecord& record);

// The plausibility test of a report against the newest one of the stream: true drops it.
struct ReportStep {
    double seconds = 0.0; // since the previous report
    double speedKt = 0.0;
    double lastSpeedKt = 0.0;
    double trackDeg = 0.0;
    double lastTrackDeg = 0.0;
    bool airborne = false;
    bool keepWindow = false; // synthetic continuations granted
};
bool gf_dropReport(const ReportStep& step);

// An altitude that lies within 120 ft of the park airport's elevation below 10,000 ft: an aircraft
// the feed shows on the ground there, which the engine does not create from it.
bool gf_nearParkAirportElevation(double altitudeFt);

} // namespace zyn
