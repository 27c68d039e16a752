#pragma once
// Errors the user must see and act on; they end in the status line and the log.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace zyn {

class UserErrorException : public std::runtime_error {
public:
    // Code 99 prints the message alone; every other code prints "{code}: " before it.
    UserErrorException(std::int32_t code, const std::string& message);
    std::int32_t code() const { return m_code; }

private:
    std::int32_t m_code;
};

} // namespace zyn
