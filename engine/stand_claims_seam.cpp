// Stand search, claims and learning are not built yet: the motion code calls these and they do
// nothing but say so once, so that live aircraft never take or learn a stand in the meantime.
#include "engine/stand_claims.h"

#include "base/log.h"

namespace zyn {

namespace {
void lf_notBuiltYet(const char* function)
{
    static bool logged = false;
    if (!logged) {
        logged = true;
        gf_logf("{}: stands for live aircraft are not built yet", function);
    }
}
} // namespace

void lf_chooseStandForLiveAc(LiveAcRecord&, bool) { lf_notBuiltYet("lf_chooseStandForLiveAc"); }
void lf_setStandCargo(LiveAcRecord&) { lf_notBuiltYet("lf_setStandCargo"); }
void try2Park(LiveAcRecord&, bool) { lf_notBuiltYet("try2Park"); }
void gf_recordStandArrival(LiveAcRecord&) { lf_notBuiltYet("gf_recordStandArrival"); }
void gf_recordStandDeparture(LiveAcRecord&) { lf_notBuiltYet("gf_recordStandDeparture"); }

} // namespace zyn
