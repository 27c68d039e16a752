// Livery matching is not built yet: its tables and reports say so once and write nothing else.
#include "core/not_built.h"
#include "livery/matching_reports.h"

namespace zyn {

void gf_reserveLiveryTables()
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "gf_reserveLiveryTables");
}

void gf_logNoMatchList()
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "gf_logNoMatchList");
}

void gf_liveryMatchingSummary()
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "gf_liveryMatchingSummary");
}

} // namespace zyn
