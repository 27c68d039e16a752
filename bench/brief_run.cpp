#include "bench/brief_run.h"

namespace zyn::bench {

namespace {
bool g_brief = false;
} // namespace

void setBrief(bool brief) { g_brief = brief; }
bool brief() { return g_brief; }
int briefOr(int full, int brief) { return g_brief ? brief : full; }

} // namespace zyn::bench
