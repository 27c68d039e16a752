#pragma once
// The SimConnect thread: opens the connection (retrying every second), registers what the program
// uses, pumps the dispatch every millisecond until stopped and closes the connection itself.
#include <stop_token>

namespace zyn {

void SimClient(std::stop_token stop);

} // namespace zyn
