#pragma once
// The benchmark program's brief run ("--brief"): each benchmark does a small share of its work, enough
// to show that its set-up reaches the state it measures, not enough for its figures to mean anything.
namespace zyn::bench {

void setBrief(bool brief);
bool brief();
// full in a measuring run, short in a brief one.
int briefOr(int full, int brief);

} // namespace zyn::bench
