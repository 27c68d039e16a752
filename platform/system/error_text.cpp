#include "platform/system/error_text.h"

#include "platform/system/utf8.h"

namespace zyn {

namespace {

// The runtime's words for the code in the text, replaced by the system's own in UTF-8.
void lf_takeSystemWords(std::string& text, const std::error_code& code)
{
    const std::string runtimes = code.message();
    const std::string own = gf_errorText(code);
    if (runtimes.empty() || own == runtimes)
        return;
    if (const auto at = text.find(runtimes); at != std::string::npos)
        text.replace(at, runtimes.size(), own);
}

} // namespace

std::string gf_exceptionText(const std::exception& e)
{
    std::string text = e.what();
    if (const auto* systemError = dynamic_cast<const std::system_error*>(&e))
        lf_takeSystemWords(text, systemError->code());
    return gf_repairedUtf8(text);
}

} // namespace zyn
