#pragma once
// A loopback port that refuses every connection for as long as this object lives: a dead server. The
// port stays bound (never listening), so that no other stand-in, of a test run at the same time, can
// take it meanwhile, as it could take the port of a server that was stopped.
#include <cstdint>
#include <string>

namespace zyn::tools {

class RefusingPort {
public:
    // Throws std::runtime_error when no loopback port can be bound.
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    int port() const { return m_port; }
    std::string baseUrl() const; // "http://127.0.0.1:{port}/downloads/", as the download stand-in's

private:
    std::uintptr_t m_socket = 0;
    int m_port = 0;
};

} // namespace zyn::tools
