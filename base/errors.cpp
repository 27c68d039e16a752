#include "base/errors.h"

#include <fmt/format.h>

namespace zyn {

namespace {
std::string lf_userErrorText(std::int32_t code, const std::string& message)
{
    return code == 99 ? message : fmt::format("{}: {}", code, message);
}
} // namespace

UserErrorException::UserErrorException(std::int32_t code, const std::string& message)
    : std::runtime_error(lf_userErrorText(code, message)), m_code(code)
{
}

} // namespace zyn
