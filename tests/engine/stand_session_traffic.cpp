#include "tests/engine/stand_session_traffic.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>

namespace zyn::test {

namespace {

// The airport in metres east (x) and north (y) of the field's reference point: the runway along y = 0,
// a parallel taxiway, and the taxi lane between two rows of stands 60 m either side of it. The stands of
// a row are 60 m apart, but for three pairs only 36 m apart, which overlap. Arrivals join the lane from
// the west, departures leave it to the east and take off westwards.
constexpr double kLaneY = 400.0;
constexpr double kRowOffset = 60.0;
constexpr double kTaxiwayY = 200.0;
constexpr double kArrivalConnectorX = -800.0;
constexpr double kDepartureConnectorX = 800.0;
struct Spot {
    double x = 0.0;
    double y = 0.0;
};
constexpr Spot kHoldingPoint{-880.0, 300.0}; // beside the arrivals' connector, out of their way
constexpr double kRunwayEndX = 1500.0;
constexpr int kStandsPerRow = 24;
constexpr double kNoNose = std::numeric_limits<double>::quiet_NaN();
constexpr double kSessionEpochSeconds = 1796601600.0;
constexpr double kMetresPerDegree = 111120.0;
constexpr double kMetresPerSecondPerKt = 1852.0 / 3600.0;
constexpr double kExpiryMinutes = 95.0; // a silent parked aircraft is taken away after 90 minutes
constexpr double kMargin = 90.0;        // between two live aircraft meant for one stand
constexpr double kRenamedOnTheWay = 24.0; // merged 30 s ahead: as the arrival drives onto the stand

bool lf_pairedWithNext(int i) { return i == 3 || i == 11 || i == 19; }
// A stand's taxi-out: backwards out of the nose-in stands, forwards out of the others.
bool lf_pushbackStand(std::size_t s) { return (s % kStandsPerRow) % 4 < 2; }
bool lf_northRow(std::size_t s) { return s < kStandsPerRow; }

Spot lf_standSpot(std::size_t s)
{
    double x = -690.0;
    for (int i = 0; i < static_cast<int>(s % kStandsPerRow); ++i)
        x += lf_pairedWithNext(i) ? 36.0 : 60.0;
    return {x, lf_northRow(s) ? kLaneY + kRowOffset : kLaneY - kRowOffset};
}

double lf_noseDeg(std::size_t s)
{
    const bool awayFromLane = lf_pushbackStand(s);
    return lf_northRow(s) == awayFromLane ? 0.0 : 180.0;
}

// Toward the lane from the stand's row: -1 south (north row), +1 north.
double lf_towardsLane(std::size_t s) { return lf_northRow(s) ? -1.0 : 1.0; }

// The two stands of a pair are one unit: the traffic means one live aircraft for it at a time.
std::size_t lf_unit(std::size_t s)
{
    const int i = static_cast<int>(s % kStandsPerRow);
    return (i > 0 && lf_pairedWithNext(i - 1)) ? s - 1 : s;
}

// The other stand of a pair, or the stand itself.
std::size_t lf_partner(std::size_t s)
{
    const int i = static_cast<int>(s % kStandsPerRow);
    return lf_pairedWithNext(i) ? s + 1 : lf_unit(s);
}

constexpr std::size_t kUserStand = 2 * kStandsPerRow - 1;
constexpr std::size_t kNoStand = 2 * kStandsPerRow;

LatLon lf_toLatLon(Spot p)
{
    return {kSessionField.lat + p.y / kMetresPerDegree,
            kSessionField.lon + p.x / (kMetresPerDegree * std::cos(kSessionField.lat * kDegToRad))};
}

struct PathKey {
    double t = 0.0;
    Spot at;
    double agl = 0.0;
    double cadence = 0.0; // seconds between reports from here to the next key; 0: none
    double nose = kNoNose; // the heading reported from here to the next key
};

struct PathSample {
    double t = 0.0;
    Situation s;
};

// A path of keys, each leg timed by its length and speed; sampled into reports at each leg's cadence.
class SessionPath {
public:
    SessionPath(double t, Spot at) { m_keys.push_back({t, at}); }

    SessionPath& stay(double seconds, double cadence, double nose = kNoNose)
    {
        PathKey next = lf_leg(cadence, nose);
        next.t += seconds;
        m_keys.push_back(next);
        return *this;
    }
    SessionPath& to(Spot at, double kt, double cadence, double agl = 0.0, double nose = kNoNose)
    {
        PathKey next = lf_leg(cadence, nose);
        next.t += std::max(1.0, std::hypot(at.x - next.at.x, at.y - next.at.y) / (kt * kMetresPerSecondPerKt));
        next.at = at;
        next.agl = agl;
        m_keys.push_back(next);
        return *this;
    }
    double time() const { return m_keys.back().t; }
    Spot at() const { return m_keys.back().at; }

    std::vector<PathSample> samples() const
    {
        std::vector<PathSample> out;
        double next = m_keys.front().t;
        double track = 0.0;
        for (std::size_t i = 0; i + 1 < m_keys.size(); ++i) {
            const PathKey& a = m_keys[i];
            const PathKey& b = m_keys[i + 1];
            const double dx = b.at.x - a.at.x;
            const double dy = b.at.y - a.at.y;
            const double dt = b.t - a.t;
            const bool moving = dx != 0.0 || dy != 0.0;
            if (moving)
                track = std::fmod(std::atan2(dx, dy) * kRadToDeg + 360.0, 360.0);
            else if (!std::isnan(a.nose))
                track = a.nose;
            if (a.cadence <= 0.0) {
                next = b.t;
                continue;
            }
            if (i > 0 && a.cadence != m_keys[i - 1].cadence && !out.empty())
                next = std::max(a.t, out.back().t + 2.0); // a new leg reports from its start
            // A leg that silence follows is reported where it ends, too.
            const bool lastWord = i + 2 < m_keys.size() && b.cadence <= 0.0;
            for (; next < b.t || (lastWord && next - a.cadence < b.t - 1.0); next += a.cadence) {
                next = std::min(next, b.t);
                const double f = (next - a.t) / dt;
                PathSample x;
                x.t = next;
                const LatLon p = lf_toLatLon({a.at.x + f * dx, a.at.y + f * dy});
                x.s.lat = p.lat;
                x.s.lon = p.lon;
                const double agl = a.agl + f * (b.agl - a.agl);
                x.s.altitude = agl > 0.0 ? kSessionFieldFt + agl : 0.0;
                x.s.airborne = agl > 0.0 ? 1 : 0;
                x.s.groundSpeed = moving ? std::hypot(dx, dy) / dt / kMetresPerSecondPerKt : 0.0;
                x.s.airspeed = x.s.groundSpeed;
                x.s.track = track;
                x.s.verticalRate = (b.agl - a.agl) / dt * 60.0;
                if (!std::isnan(a.nose)) {
                    x.s.heading = a.nose * kDegToRad;
                    x.s.headingValid = 1;
                }
                out.push_back(x);
            }
        }
        return out;
    }

private:
    PathKey lf_leg(double cadence, double nose)
    {
        m_keys.back().cadence = cadence;
        m_keys.back().nose = nose;
        PathKey next = m_keys.back();
        next.cadence = 0.0;
        next.nose = kNoNose;
        return next;
    }
    std::vector<PathKey> m_keys;
};

struct PlannedFlight {
    std::uint32_t hexId = 0;
    AcHead head;
    std::map<double, AcHead> changes; // the head from that moment on
    std::vector<PathSample> samples;
    double stopAt = std::numeric_limits<double>::infinity(); // no reports from then on
};

class SessionGenerator {
public:
    SessionGenerator(std::uint32_t seed, int minutes, std::int32_t firstTick)
        : m_random(seed), m_end(minutes * 60.0), m_firstTick(firstTick)
    {
        m_restart = m_end / 2.0 + lf_uniform(-300.0, 300.0);
        m_flush = m_end * 0.3 + lf_uniform(-120.0, 120.0);
        m_endParking = m_end * 0.75 + lf_uniform(-120.0, 120.0);
    }

    SessionTraffic traffic()
    {
        for (int i = 0; i < 12; ++i)
            lf_departure(lf_uniform(0.0, 90.0), lf_uniform(120.0, 2400.0));
        for (double t = 60.0; t < m_end - 20.0 * 60.0; t += lf_uniform(12.0, 26.0)) {
            if (lf_chance(0.5))
                lf_arrival(t);
            else
                lf_departure(t, lf_uniform(120.0, 720.0));
        }
        lf_contests();
        lf_blocks();
        SessionTraffic out;
        for (const PlannedFlight& f : m_flights)
            lf_report(f, out);
        std::stable_sort(out.reports.begin(), out.reports.end(),
                         [](const SessionReport& a, const SessionReport& b) { return a.playTick < b.playTick; });
        for (const auto& [hexId, arrival] : m_arrivals)
            if (!m_blockedHexIds.contains(hexId))
                out.arrivals.push_back(arrival);
        out.statics.push_back({lf_tick(10.0), lf_someStands(16)});
        for (double t = 20.0 * 60.0; t < m_end; t += 20.0 * 60.0)
            out.statics.push_back({lf_tick(t), lf_someStands(5)});
        out.statics.push_back({lf_tick(m_restart + 30.0), lf_someStands(16)});
        std::sort(out.statics.begin(), out.statics.end(),
                  [](const SessionStatics& a, const SessionStatics& b) { return a.tick < b.tick; });
        out.blocks = m_blocks;
        std::stable_sort(out.blocks.begin(), out.blocks.end(),
                         [](const SessionBlock& a, const SessionBlock& b) { return a.tick < b.tick; });
        out.flushTick = lf_tick(m_flush);
        out.beforeFlush = {lf_tick(m_flush - 3.0), lf_someStands(8)};
        out.endParkingTick = lf_tick(m_endParking);
        out.restartTick = lf_tick(m_restart);
        out.endTick = lf_tick(m_end);
        out.aircraft = static_cast<int>(m_flights.size());
        return out;
    }

private:
    double lf_uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(m_random); }
    bool lf_chance(double p) { return lf_uniform(0.0, 1.0) < p; }
    std::int32_t lf_tick(double t) const { return m_firstTick + static_cast<std::int32_t>(std::lround(t * 100.0)); }

    // No other live aircraft is meant for the stand (or its pair) from..to, give or take the margins.
    bool lf_free(std::size_t s, double from, double to, double before = kMargin, double after = kMargin) const
    {
        const auto it = m_busy.find(lf_unit(s));
        if (it == m_busy.end())
            return true;
        return std::none_of(it->second.begin(), it->second.end(), [&](const std::pair<double, double>& b) {
            return b.first < to + after && from - before < b.second;
        });
    }
    void lf_reserve(std::size_t s, double from, double to) { m_busy[lf_unit(s)].push_back({from, to}); }
    // A stand free from..to, or kNoStand.
    std::size_t lf_freeStand(double from, double to)
    {
        for (int attempt = 0; attempt < 12; ++attempt) {
            const auto s = static_cast<std::size_t>(lf_uniform(0.0, 2.0 * kStandsPerRow - 1.0));
            if (s != kUserStand && lf_unit(s) != lf_unit(kUserStand) && lf_free(s, from, to))
                return s;
        }
        return kNoStand;
    }
    std::vector<std::size_t> lf_someStands(int count)
    {
        std::vector<std::size_t> stands;
        for (int i = 0; i < count; ++i) {
            const auto s = static_cast<std::size_t>(lf_uniform(0.0, 2.0 * kStandsPerRow - 1.0));
            if (lf_unit(s) != lf_unit(kUserStand))
                stands.push_back(s);
        }
        return stands;
    }

    PlannedFlight lf_newFlight()
    {
        static constexpr const char* kAirlines[] = {"SWR", "DLH", "AUA", "EZY", "BAW", "KLM"};
        PlannedFlight f;
        const int n = static_cast<int>(m_flights.size());
        f.hexId = 0x400000 + static_cast<std::uint32_t>(n) * 7 + 1;
        f.head.type = "A320";
        f.head.callsign = fmt::format("{}{}", kAirlines[n % 6], 100 + n);
        f.head.registration = fmt::format("HB-J{}{}", char('A' + n / 26 % 26), char('A' + n % 26));
        f.head.origin = "EGLL";
        f.head.destination = "LSZH";
        return f;
    }
    static Spot lf_jitter(Spot p, double metres, double angle)
    {
        return {p.x + metres * std::sin(angle), p.y + metres * std::cos(angle)};
    }

    // From the stand to the lane, pushed back or pulling out; then the taxi out, the take-off and the
    // climb out of range. Its reports may stop on the way; its callsign or route may change.
    // True for a pushback whose reports go on through the engine start.
    bool lf_leave(PlannedFlight& f, SessionPath& p, std::size_t s)
    {
        const Spot stand = lf_standSpot(s);
        const double dir = lf_towardsLane(s);
        const double nose = lf_noseDeg(s);
        const double r = lf_uniform(0.0, 1.0);
        if (lf_pushbackStand(s)) {
            p.to({stand.x, stand.y + dir * 24.0}, 3.0, 5.0, 0.0, nose);
            if (lf_chance(0.6))
                p.to({stand.x, kLaneY}, 3.0, 5.0, 0.0, 90.0); // the nose swings round to the east
            else
                p.to({stand.x, kLaneY}, 3.0, 0.0); // no report while pushed: it stays straight
            if (r < 0.06)
                f.stopAt = p.time() - 20.0; // the reports stop during the pushback
            p.stay(lf_uniform(30.0, 60.0), 10.0, 90.0);
            if (r >= 0.06 && r < 0.11)
                f.stopAt = p.time() - 15.0; // during the engine start
        } else {
            p.to({stand.x, stand.y + dir * 30.0}, 5.0, 5.0, 0.0, nose);
            if (r < 0.08)
                f.stopAt = p.time(); // during the pull-out
            p.to({stand.x + 40.0, kLaneY}, 8.0, 5.0);
        }
        p.to({kDepartureConnectorX, kLaneY}, 14.0, 5.0);
        if (r >= 0.11 && r < 0.16)
            f.stopAt = p.time(); // while taxiing out
        if (r >= 0.16 && r < 0.22)
            lf_change(f, p.time(), r < 0.19);
        p.to({kDepartureConnectorX, kTaxiwayY}, 16.0, 5.0).to({kRunwayEndX, kTaxiwayY}, 20.0, 5.0);
        p.to({kRunwayEndX, 0.0}, 10.0, 5.0).stay(20.0, 5.0, 270.0);
        p.to({1300.0, 0.0}, 35.0, 5.0).to({900.0, 0.0}, 80.0, 5.0).to({300.0, 0.0}, 130.0, 5.0);
        p.to({-200.0, 0.0}, 150.0, 5.0).to({-700.0, 0.0}, 160.0, 5.0, 200.0);
        p.to({-4000.0, 0.0}, 180.0, 5.0, 1500.0).to({-30000.0, 0.0}, 240.0, 5.0, 7000.0);
        // Out of range (15 NM) its reports end.
        return lf_pushbackStand(s) && r >= 0.11;
    }

    static const AcHead& lf_latestHead(const PlannedFlight& f)
    {
        return f.changes.empty() ? f.head : f.changes.rbegin()->second;
    }

    // A new callsign, or a new route, from t on (after the changes before).
    static void lf_change(PlannedFlight& f, double t, bool callsign)
    {
        AcHead head = lf_latestHead(f);
        if (callsign)
            head.callsign = head.callsign.substr(0, 3) + "5" + head.callsign.substr(3);
        else
            head.destination = "EDDF";
        f.changes[t] = head;
    }

    // Standing at the stand from t, for parked seconds, then leaving it.
    void lf_departure(double t, double parked)
    {
        const double ghostSeconds = lf_chance(0.05) ? lf_uniform(80.0, 160.0) : 0.0;
        const std::size_t s = lf_freeStand(t - 60.0, t + ghostSeconds + parked + 120.0);
        if (s == kNoStand)
            return;
        const Spot stand = lf_standSpot(s);
        PlannedFlight f = lf_newFlight();
        const double from = t;
        if (ghostSeconds > 0.0) { // first reported under a provisional callsign, then under its own
            PlannedFlight g = f;
            g.hexId += 3;
            g.head.callsign += "_";
            SessionPath gp(t, lf_jitter(stand, 1.0, 0.5));
            gp.stay(ghostSeconds, 20.0, lf_noseDeg(s));
            g.samples = gp.samples();
            t = gp.time() - 10.0;
            m_flights.push_back(g);
        }
        SessionPath p(t, lf_jitter(stand, lf_uniform(0.0, 1.5), lf_uniform(0.0, 6.0)));
        const bool silent = lf_chance(0.06); // a few reports, then no more while it stands there
        p.stay(parked, 20.0, lf_noseDeg(s));
        const double leaves = p.time();
        lf_reserve(s, from, silent ? m_end : leaves);
        if (silent) {
            f.stopAt = t + 50.0;
            m_silent.push_back({s, t + 60.0, false});
        } else {
            if (parked > 150.0 && lf_chance(0.15))
                lf_change(f, t + parked / 2.0, true); // renamed while parked
            const std::string callsign = lf_latestHead(f).callsign;
            if (lf_leave(f, p, s))
                m_pushbacks.push_back({s, leaves, callsign});
        }
        f.samples = p.samples();
        m_flights.push_back(f);
    }

    // Taxiing in from the runway to a free stand; it stays there, silent or reported, and may leave again.
    // A quick turnaround takes the stand an aircraft is pushing back from: it waits beside the
    // connector and reaches the stand as the other one's reports begin to move.
    // A forced stand is contested: the aircraft parked there has gone silent.
    void lf_arrival(double t0, std::size_t forced = kNoStand)
    {
        SessionPath p(t0, {-1300.0, 0.0});
        p.to({-1500.0, 0.0}, 30.0, 5.0).to({-1500.0, kTaxiwayY}, 20.0, 5.0);
        p.to({kArrivalConnectorX, kTaxiwayY}, 20.0, 5.0);
        const double reachEstimate = p.time() + 180.0;
        const double r = lf_uniform(0.0, 1.0);
        const bool silent = r < 0.1;
        const double parked = silent ? kExpiryMinutes * 60.0 : lf_uniform(300.0, 1500.0);
        double reachAt = 0.0;
        std::size_t s = forced;
        if (s == kNoStand && r > 0.6)
            s = lf_quickTurnaround(p.time(), parked, reachAt);
        if (s == kNoStand && forced == kNoStand)
            s = lf_freeStand(reachEstimate - 120.0, reachEstimate + parked + 240.0);
        if (s == kNoStand)
            return;
        PlannedFlight f = lf_newFlight();
        const Spot stand = lf_standSpot(s);
        if (reachAt > 0.0) { // waits at the holding point beside the connector until the stand is left
            p.to(kHoldingPoint, 10.0, 5.0);
            p.stay(reachAt - p.time() - lf_holdingToStandSeconds(stand), 16.0); // standing: 16 s apart
        }
        p.to({kArrivalConnectorX, kLaneY}, reachAt > 0.0 ? 12.0 : 15.0, 5.0);
        const std::size_t turnAway =
            r >= 0.2 && r < 0.35 && forced == kNoStand ? lf_turnAwayStand(s, reachEstimate) : kNoStand;
        if (turnAway != kNoStand) { // stops at another stand first, then turns away from it
            const Spot other = lf_standSpot(turnAway);
            // Its reports pause 15 m short of the stand, where it is sent to the stand; the next one
            // comes 100 m away while it still drives onto the stand.
            const double in = -lf_towardsLane(turnAway) * (kRowOffset - 15.0);
            p.to({other.x, kLaneY}, 12.0, 6.0).to({other.x, kLaneY + in}, 8.75, 5.0);
            lf_reserve(turnAway, p.time() - 60.0, p.time() + 60.0);
            p.to({other.x, kLaneY}, 9.0, 0.0).to({other.x + 80.0, kLaneY}, 9.0, 0.0);
        }
        p.to({stand.x, kLaneY}, 12.0, 5.0).to(stand, 5.0, 5.0);
        const double reach = p.time();
        const bool stopsOnTheWay = r >= 0.1 && r < 0.2;
        const bool renamed = !stopsOnTheWay && lf_chance(silent ? 0.5 : 0.15);
        if (renamed)
            lf_change(f, reach + kRenamedOnTheWay, true); // handed over while it taxis onto the stand
        if (stopsOnTheWay) {
            f.stopAt = lf_uniform(t0 + 30.0, reach - 60.0);
        } else if (silent) {
            if (renamed) // one report after a pause, under its new name: it comes as the aircraft drives on
                p.stay(kRenamedOnTheWay, 0.0).stay(1.0, 1.0);
            else
                p.stay(30.0, 5.0);
            f.stopAt = reach + (renamed ? kRenamedOnTheWay + 2.0 : 6.0); // still taxiing to the stand
            if (forced == kNoStand)
                m_silent.push_back({s, reach + 60.0, renamed});
        } else {
            p.stay(parked, 20.0);
            if (parked > 300.0 && lf_chance(0.1))
                lf_change(f, reach + parked / 2.0, true); // renamed while parked
            lf_leave(f, p, s);
        }
        if (!stopsOnTheWay) {
            if (reachAt == 0.0 && forced == kNoStand) // a turnaround's was reserved with it
                lf_reserve(s, reach, reach + parked);
            if (lf_countable(reach))
                m_arrivals[f.hexId] = {f.hexId, s, lf_tick(reach)};
        }
        f.samples = p.samples();
        m_flights.push_back(f);
    }

    // Arrivals whose reach the restart meets are not counted: they may be created anew at their stands.
    bool lf_countable(double reach) const { return std::abs(reach - m_restart) > 240.0 && reach < m_end; }

    // Now and then an arrival is sent to the stand of a parked aircraft gone silent, which it contests;
    // or, beside one of a pair, to the other stand of the pair, too close to share.
    void lf_contests()
    {
        const std::vector<Silent> silent = m_silent;
        for (const Silent& h : silent) {
            const double t0 = h.from + lf_uniform(150.0, 1000.0);
            const bool beside = lf_partner(h.stand) != h.stand;
            if ((h.renamed || beside || lf_chance(0.6)) && t0 < m_end - 10.0 * 60.0)
                lf_arrival(t0, beside ? lf_partner(h.stand) : h.stand);
        }
    }

    // From the holding point onto the lane, along it and into the stand.
    static double lf_holdingToStandSeconds(Spot stand)
    {
        const double lane = std::hypot(kArrivalConnectorX - kHoldingPoint.x, kLaneY - kHoldingPoint.y) +
                            (stand.x - kArrivalConnectorX);
        return lane / (12.0 * kMetresPerSecondPerKt) + kRowOffset / (5.0 * kMetresPerSecondPerKt);
    }

    // A stand an aircraft pushes back from soon after the arrival could be there; reachAt: when the
    // arrival reaches it, as the other one's reports begin to move. Sometimes the user blocks the callsign of the
    // aircraft pushing back just then, so that it is removed while the arrival taxis to the stand.
    std::size_t lf_quickTurnaround(double atConnector, double parked, double& reachAt)
    {
        for (const Pushback& b : m_pushbacks) {
            const double earliest = atConnector +
                                    std::hypot(kHoldingPoint.x - kArrivalConnectorX, kHoldingPoint.y - kTaxiwayY) /
                                        (10.0 * kMetresPerSecondPerKt) +
                                    lf_holdingToStandSeconds(lf_standSpot(b.stand));
            const double at = b.start + lf_uniform(0.0, 8.0);
            if (at < earliest || at > earliest + 300.0 || !lf_free(b.stand, b.start + 6.0, at + parked, 0.0))
                continue;
            reachAt = at;
            lf_reserve(b.stand, at, at + parked);
            if (lf_chance(0.3))
                lf_block(at - 5.0, at + 55.0, b.callsign);
            return b.stand;
        }
        return kNoStand;
    }

    // The callsign is blocked from..to, unless another block overlaps.
    bool lf_block(double from, double to, const std::string& callsign)
    {
        for (const auto& [a, b] : m_blockSpans)
            if (a < to + 5.0 && from - 5.0 < b)
                return false;
        m_blockSpans.push_back({from, to});
        m_blocks.push_back({lf_tick(from), callsign});
        m_blocks.push_back({lf_tick(to), ""});
        return true;
    }

    // A free stand west of s in the same row, where an arrival stops before it turns away.
    std::size_t lf_turnAwayStand(std::size_t s, double around)
    {
        for (std::size_t o = s - s % kStandsPerRow; o < s; ++o)
            if (lf_standSpot(o).x < lf_standSpot(s).x - 150.0 && lf_standSpot(o).x > kArrivalConnectorX + 60.0 &&
                lf_free(o, around - 400.0, around + 200.0) && lf_chance(0.5))
                return o;
        return kNoStand;
    }

    // Now and then the user blocks the callsign of an aircraft reported at that moment, until it is gone.
    void lf_blocks()
    {
        for (double tb = 15.0 * 60.0; tb < m_end - 600.0; tb += 25.0 * 60.0) {
            for (const PlannedFlight& f : m_flights) {
                if (f.samples.empty() || f.samples.front().t > tb - 60.0 || f.samples.back().t < tb + 60.0 ||
                    f.stopAt < tb + 60.0 || !f.changes.empty())
                    continue;
                if (!lf_block(tb, std::min(f.samples.back().t, f.stopAt) + 30.0, f.head.callsign))
                    continue;
                m_blockedHexIds.insert(f.hexId);
                break;
            }
        }
    }

    void lf_report(const PlannedFlight& f, SessionTraffic& out) const
    {
        for (const PathSample& x : f.samples) {
            if (x.t >= f.stopAt || x.t > m_end)
                break;
            if (gf_distanceNm(kSessionField, {x.s.lat, x.s.lon}) > kSessionRangeNm)
                break; // out of range: the service reports it no more
            SessionReport r;
            r.playTick = lf_tick(x.t);
            r.record.head = f.head;
            const auto change = f.changes.upper_bound(x.t);
            if (change != f.changes.begin())
                r.record.head = std::prev(change)->second;
            r.record.hexId = f.hexId;
            r.record.situation = x.s;
            r.record.situation.timeKey = r.playTick;
            r.record.reportTime = kSessionEpochSeconds + x.t;
            out.reports.push_back(std::move(r));
        }
    }

    std::mt19937 m_random;
    double m_end;
    std::int32_t m_firstTick;
    double m_restart = 0.0;
    std::vector<PlannedFlight> m_flights;
    std::map<std::size_t, std::vector<std::pair<double, double>>> m_busy;
    std::map<std::uint32_t, SessionArrival> m_arrivals;
    std::vector<SessionBlock> m_blocks;
    std::vector<std::pair<double, double>> m_blockSpans;
    std::set<std::uint32_t> m_blockedHexIds;
    struct Pushback {
        std::size_t stand = 0;
        double start = 0.0;
        std::string callsign;
    };
    std::vector<Pushback> m_pushbacks; // whose reports go on through their engine start
    struct Silent {
        std::size_t stand = 0;
        double from = 0.0; // parked in the simulator by then
        bool renamed = false; // renamed as it drove onto the stand
    };
    std::vector<Silent> m_silent;
    double m_flush = 0.0;
    double m_endParking = 0.0;
};

} // namespace

std::vector<SessionStand> gf_sessionStands()
{
    std::vector<SessionStand> stands;
    for (std::size_t s = 0; s < 2 * kStandsPerRow; ++s)
        stands.push_back({fmt::format("{}{}", lf_northRow(s) ? 'A' : 'B', s % kStandsPerRow + 1),
                          lf_toLatLon(lf_standSpot(s)), lf_noseDeg(s)});
    return stands;
}

SessionTraffic gf_sessionTraffic(std::uint32_t seed, int minutes, std::int32_t firstTick)
{
    return SessionGenerator(seed, minutes, firstTick).traffic();
}

} // namespace zyn::test
