#include "tools/refusing_port.h"

#include <fmt/format.h>

#include <stdexcept>
#include <utility>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace zyn::tools {

namespace {

#ifdef _WIN32
using Socket = SOCKET;
constexpr Socket kNoSocket = INVALID_SOCKET;
void lf_close(Socket s) { closesocket(s); }
#else
using Socket = int;
constexpr Socket kNoSocket = -1;
void lf_close(Socket s) { close(s); }
#endif

// A socket bound to an ephemeral loopback port, and that port.
std::pair<Socket, int> lf_bindLoopback()
{
    const Socket s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == kNoSocket)
        throw std::runtime_error("refusing port: no socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        lf_close(s);
        throw std::runtime_error("refusing port: no loopback port could be bound");
    }
    return {s, ntohs(address.sin_port)};
}

} // namespace

RefusingPort::RefusingPort()
{
#ifdef _WIN32
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        throw std::runtime_error("refusing port: no Windows sockets");
#endif
    try {
        const auto [s, port] = lf_bindLoopback();
        m_socket = static_cast<std::uintptr_t>(s);
        m_port = port;
    } catch (...) {
#ifdef _WIN32
        WSACleanup(); // the destructor does not run for a constructor that throws
#endif
        throw;
    }
}

RefusingPort::~RefusingPort()
{
    lf_close(static_cast<Socket>(m_socket));
#ifdef _WIN32
    WSACleanup();
#endif
}

std::string RefusingPort::baseUrl() const { return fmt::format("http://127.0.0.1:{}/downloads/", m_port); }

} // namespace zyn::tools
