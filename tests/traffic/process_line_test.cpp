#include "parking/park_airport.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "shown/status_line.h"
#include "sim/sim_command.h"
#include "tests/traffic/live_entry.h"
#include "traffic/intake.h"
#include "traffic/live_identities.h"
#include "traffic/process_line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

namespace zyn {
namespace {

using nlohmann::json;

constexpr LatLon kUser{52.30, 4.76};
const AirportRecord kPark{"EHAM", "AMS", 52.3086, 4.7639, -11.0};

// A valid airborne entry 10 NM north of the user.
json lf_entry() { return test::liveEntry(gf_destinationPoint(kUser, 0.0, 10.0 * 6076.11549)); }

class ProcessLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        client.setUserPosition(kUser);
        gf_setTrafficRange(40);
        gf_setParkAirport({});
        param::BLOCK_CALLSIGN.setValue("");
    }

    std::optional<TrafficRecord> parse(const json& entry)
    {
        client.batch.clear();
        client.reply = entry;
        processLine(client);
        if (client.batch.empty()) return std::nullopt;
        return client.batch.back();
    }

    TrafficClient client;
};

TEST_F(ProcessLine, ReadsEveryFieldOfAValidEntry)
{
    const auto r = parse(lf_entry());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->hexId, 0x4ca7b4u);
    EXPECT_EQ(r->head.type, "B738");
    EXPECT_EQ(r->head.registration, "EI-DCL");
    EXPECT_EQ(r->head.callsign, "RYR4TK");
    EXPECT_EQ(r->head.origin, "EHAM");
    EXPECT_EQ(r->head.destination, "");
    EXPECT_EQ(r->reportTime, 1796601600.5);
    EXPECT_EQ(client.lastReportTime.load(), 1796601600.5);
    EXPECT_EQ(r->situation.altitude, 12000.0);
    EXPECT_EQ(r->situation.airborne, 1);
    EXPECT_EQ(r->situation.groundSpeed, 280.0);
    EXPECT_EQ(r->situation.track, 91.0);
    EXPECT_EQ(r->situation.verticalRate, -640.0);
    EXPECT_EQ(r->situation.airspeed, 300.0);
    EXPECT_TRUE(r->situation.bankValid);
    EXPECT_DOUBLE_EQ(r->situation.bank, -5.0 * kDegToRad);
    EXPECT_TRUE(r->situation.headingValid);
    EXPECT_TRUE(r->situation.headingFromFeed);
    EXPECT_DOUBLE_EQ(r->situation.heading, 90.0 * kDegToRad);
    EXPECT_EQ(r->situation.timeKey, 0);
}

struct DropCase {
    const char* name;
    std::function<void(json&)> change;
    bool kept;
};

TEST_F(ProcessLine, KeepsOrDropsEntriesByTheirFields)
{
    const DropCase cases[] = {
        {"hex 2710 is 10000", [](json& e) { e[0] = "2710"; }, false},
        {"hex 2711 is above 10000", [](json& e) { e[0] = "2711"; }, true},
        {"hex beyond 32 bits", [](json& e) { e[0] = "123456789"; }, false},
        {"hex without digits", [](json& e) { e[0] = "zz"; }, false},
        {"latitude above 90", [](json& e) { e[1] = 90.5; }, false},
        {"longitude above 180", [](json& e) { e[2] = 180.5; }, false},
        {"at the origin", [](json& e) { e[1] = 0.0005; e[2] = 0.01; }, false},
        {"true heading above 360", [](json& e) { e[25] = 360.5; }, false},
        {"true heading above 360 from another source", [](json& e) { e[17] = "mlat"; e[25] = 360.5; }, true},
        {"no category", [](json& e) { e[28] = ""; }, false},
        {"surface vehicle", [](json& e) { e[28] = "C2"; }, false},
        {"balloon type", [](json& e) { e[8] = "BALL"; }, false},
        {"type 0 is none", [](json& e) { e[8] = "0"; }, false},
        {"registration null, flagged F", [](json& e) { e[9] = "null"; e[7] = "F"; }, false},
        {"registration too long, callsign kept", [](json& e) { e[9] = "ABCDEFGHIJKLM"; }, true},
        {"no registration and no callsign", [](json& e) { e[9] = "null"; e[13] = "null"; }, false},
        {"callsign with the at sign", [](json& e) { e[13] = "KL@1"; }, true},
        {"meteorological callsign", [](json& e) { e[13] = "ERARMTR0"; }, false},
        {"airport callsign", [](json& e) { e[13] = "AIRPORT1"; }, false},
        {"on the ground far from any park airport", [](json& e) { e[4] = 0; }, false},
    };
    for (const auto& c : cases) {
        json e = lf_entry();
        c.change(e);
        EXPECT_EQ(parse(e).has_value(), c.kept) << c.name;
    }
}

TEST_F(ProcessLine, ReadsNumbersWhateverTheirJsonType)
{
    json e = lf_entry();
    const LatLon p{52.0, 5.0};
    e[1] = 52;
    e[2] = 5;
    e[10] = 1796601600;
    gf_setTrafficRange(100);
    const auto r = parse(e);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->situation.lat, p.lat);
    EXPECT_EQ(r->situation.lon, p.lon);
    EXPECT_EQ(r->reportTime, 1796601600.0);
    e[1] = 0;
    e[2] = 0;
    EXPECT_FALSE(parse(e)) << "an integer 0, 0 still lies at the origin";
}

TEST_F(ProcessLine, KeepsAnEntryAtExactlyTheRange)
{
    json e = lf_entry();
    const double distance = gf_distanceNm(kUser, {e[1].get<double>(), e[2].get<double>()});
    g_rangeNm.store(distance);
    EXPECT_TRUE(parse(e));
    g_rangeNm.store(distance - 1e-9);
    EXPECT_FALSE(parse(e));
}

TEST_F(ProcessLine, KeepsGroundTrafficWithinFiveMilesOfTheParkAirport)
{
    AirportRecord park = kPark;
    json e = lf_entry();
    const LatLon at5 = gf_destinationPoint({park.lat, park.lon}, 0.0, 5.0 * 6076.11549 - 1.0);
    const LatLon at6 = gf_destinationPoint({park.lat, park.lon}, 0.0, 6.0 * 6076.11549);
    e[4] = 30000;
    e[5] = 30.0; // slow: on the ground whatever the altitude
    gf_setParkAirport(park);
    e[1] = at5.lat;
    e[2] = at5.lon;
    const auto kept = parse(e);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->situation.altitude, 0.0);
    EXPECT_EQ(kept->situation.airborne, 0);
    EXPECT_FALSE(kept->situation.bankValid);
    e[1] = at6.lat;
    e[2] = at6.lon;
    EXPECT_FALSE(parse(e));
}

struct AltitudeCase {
    const char* name;
    std::int32_t qnh;
    std::optional<double> elevation;
    json altitude;
    json altitudeAlt;
    double groundSpeed;
    double expected;
};

TEST_F(ProcessLine, CorrectsAltitudesAndFindsAircraftOnTheGround)
{
    struct ParkingEnds {
        ~ParkingEnds() { g_parkAirportLoaded.store(0); }
    } parkingEnds;
    const AltitudeCase cases[] = {
        {"QNH 1023 lifts 1000 ft by 300", 1023, std::nullopt, 1000, nullptr, 200, 1300},
        {"QNH 1003 lowers 12000 ft by 300", 1003, std::nullopt, 12000, nullptr, 250, 11700},
        {"second altitude when the first is missing", 1013, std::nullopt, nullptr, 5000, 250, 5000},
        {"no altitude at all", 1013, std::nullopt, nullptr, nullptr, 250, 0},
        {"40 ft above the field, slow", 1013, 100.0, 140, nullptr, 100, 0},
        {"40 ft above the field, fast", 1013, 100.0, 140, nullptr, 130, 140},
        {"100 ft above the field at 40 kt", 1013, 100.0, 200, nullptr, 40, 0},
        {"below the field", 1013, 500.0, 400, nullptr, 200, 0},
        {"30 kt at cruise altitude", 1013, std::nullopt, 30000, nullptr, 30, 0},
    };
    for (const auto& c : cases) {
        client.qnh.store(c.qnh);
        // The park airport's file gives the elevation; without one read there is none.
        AirportRecord park = kPark;
        park.altitude = c.elevation.value_or(kPark.altitude);
        gf_setParkAirport(park);
        g_parkAirportLoaded.store(c.elevation ? 1 : 0);
        json e = lf_entry();
        const LatLon nearPark = gf_destinationPoint({kPark.lat, kPark.lon}, 0.0, 3.0 * 6076.11549);
        e[1] = nearPark.lat;
        e[2] = nearPark.lon;
        e[4] = c.altitude;
        e[18] = c.altitudeAlt;
        e[5] = c.groundSpeed;
        const auto r = parse(e);
        ASSERT_TRUE(r) << c.name;
        EXPECT_DOUBLE_EQ(r->situation.altitude, c.expected) << c.name;
    }
}

TEST_F(ProcessLine, FillsMissingAirspeedsHeadingsAndTracks)
{
    struct Row {
        const char* name;
        std::function<void(json&)> change;
        std::function<void(const TrafficRecord&)> check;
    };
    const Row rows[] = {
        {"airspeed -1 at 3000 ft", [](json& e) { e[20] = -1; e[4] = 3000; },
         [](const TrafficRecord& r) { EXPECT_EQ(r.situation.airspeed, 220.0); }},
        {"missing airspeed at 25000 ft", [](json& e) { e[20] = nullptr; e[4] = 25000; },
         [](const TrafficRecord& r) { EXPECT_EQ(r.situation.airspeed, 430.0); }},
        {"airspeed 0 stays", [](json& e) { e[20] = 0; },
         [](const TrafficRecord& r) { EXPECT_EQ(r.situation.airspeed, 0.0); }},
        {"true heading 0 is a full turn", [](json& e) { e[25] = 0; },
         [](const TrafficRecord& r) { EXPECT_DOUBLE_EQ(r.situation.heading, kTwoPi); }},
        {"negative true heading is none", [](json& e) { e[25] = -3; },
         [](const TrafficRecord& r) { EXPECT_FALSE(r.situation.headingValid); }},
        {"track 0 takes the true heading", [](json& e) { e[3] = 0; e[25] = 45; },
         [](const TrafficRecord& r) { EXPECT_DOUBLE_EQ(r.situation.track, 45.0); }},
        {"roll -1 is no bank", [](json& e) { e[23] = -1; },
         [](const TrafficRecord& r) { EXPECT_FALSE(r.situation.bankValid); }},
        {"hex text with trailing letters", [](json& e) { e[0] = "4ca7b4~x"; },
         [](const TrafficRecord& r) { EXPECT_EQ(r.hexId, 0x4ca7b4u); }},
        {"callsign with the at sign is emptied", [](json& e) { e[13] = "KL@1"; },
         [](const TrafficRecord& r) { EXPECT_EQ(r.head.callsign, ""); }},
    };
    for (const auto& row : rows) {
        json e = lf_entry();
        row.change(e);
        const auto r = parse(e);
        ASSERT_TRUE(r) << row.name;
        SCOPED_TRACE(row.name);
        row.check(*r);
    }
}

TEST_F(ProcessLine, DropsHighTrafficInAirportMode)
{
    gf_setParkAirport(kPark);
    g_parkAirportLoaded.store(1);
    g_airportRangeMode.store(1);
    json e = lf_entry();
    e[4] = kPark.altitude + 3000.0;
    EXPECT_TRUE(parse(e));
    e[4] = kPark.altitude + 3001.0;
    EXPECT_FALSE(parse(e));
    g_airportRangeMode.store(0);
    EXPECT_TRUE(parse(e));
}

TEST_F(ProcessLine, BlocksTheUsersCallsignOnceAndReleasesIt)
{
    gf_takeBlockedHexIds();
    param::BLOCK_CALLSIGN.setValue("RYR4TK");
    EXPECT_FALSE(parse(lf_entry()));
    EXPECT_FALSE(parse(lf_entry()));
    EXPECT_EQ(gf_takeBlockedHexIds(), std::vector<std::uint32_t>{0x4ca7b4u});
    EXPECT_EQ(gf_statusMessage(), "Reader: Live aircraft RYR4TK blocked");

    param::BLOCK_CALLSIGN.setValue("KLM12");
    json other = lf_entry();
    other[13] = "KLM12";
    EXPECT_FALSE(parse(other));
    EXPECT_EQ(gf_statusMessage(), "Reader: Live aircraft RYR4TK no longer blocked");
    EXPECT_TRUE(parse(lf_entry())) << "the old callsign flies again";
    EXPECT_FALSE(parse(other));
    EXPECT_EQ(gf_statusMessage(), "Reader: Live aircraft KLM12 blocked");
    EXPECT_EQ(gf_takeBlockedHexIds().size(), 1u);
}

TEST_F(ProcessLine, CollectsIdentitiesWhileReadyAndHandsThemToParking)
{
    TrafficClient& c = g_trafficClient;
    c.setUserPosition(kUser);
    c.reply = lf_entry();
    processLine(c);
    EXPECT_TRUE(c.hexIds.empty());
    c.ready.store(1);
    json e = lf_entry();
    e[13] = "null";
    c.reply = e;
    processLine(c);
    c.reply = lf_entry();
    processLine(c);
    gf_clearTrafficStore();
    EXPECT_EQ(c.ready.load(), 0);
    EXPECT_TRUE(c.callsigns.empty());
    std::lock_guard lock(g_liveIdentityMutex);
    EXPECT_EQ(g_liveCallsigns, (std::set<std::string>{"RYR4TK"}));
    EXPECT_EQ(g_liveHexIds, (std::set<std::uint32_t>{0x4ca7b4}));
}

} // namespace
} // namespace zyn
