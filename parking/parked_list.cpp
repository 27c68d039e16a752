#include "base/atomic_file.h"
#include "base/log.h"
#include "engine/records.h"
#include "engine/removal.h"
#include "engine/stand_search.h"
#include "parking/session_calls.h"
#include "platform/system/error_text.h"
#include "settings/settings.h"
#include "shown/display_texts.h"
#include "shown/status_line.h"

#include <algorithm>
#include <atomic>
#include <filesystem>

namespace zyn {

void gf_answerCallsignQuery()
{
    const std::string query = param::CALLSIGN_2_OBJECTID.getValue();
    const auto hit = std::find_if(g_liveAircraft.begin(), g_liveAircraft.end(),
                                  [&](const LiveAcRecord& a) { return a.head.callsign == query && a.inSim(); });
    if (hit != g_liveAircraft.end()) {
        g_queriedObjectId = hit->objectId;
        gf_showCallsignAnswer(fmt::format("= {}", hit->objectId));
        return;
    }
    // Not found: no answer is left standing that belongs to an earlier query.
    gf_clearSelection();
    gf_setStatusMessage(fmt::format("callsign \"{}\" is unknown", query), true);
}

std::string gf_parkedListRow(const LiveAcRecord& a)
{
    const std::string parked =
        a.phase == MovePhase::Parked ? fmt::format("Parked at {}", gf_standNameById(a.standId)) : std::string();
    return fmt::format("{} {:9} {} {}: {} {}", a.onGround ? "Gnd" : "Air", a.head.callsign, a.head.airline,
                       a.head.type, a.objectId, parked);
}

void gf_writeParkedList()
{
    std::vector<std::string> rows;
    for (const auto& a : g_liveAircraft)
        if (a.inSim())
            rows.push_back(gf_parkedListRow(a));
    std::sort(rows.begin(), rows.end());
    std::string bytes;
    for (const auto& row : rows)
        bytes += row + '\n';
    try {
        gf_writeFileAtomic("Callsign2ObjectId.txt", bytes);
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "gf_writeParkedList", gf_exceptionText(e));
    }
}

} // namespace zyn
