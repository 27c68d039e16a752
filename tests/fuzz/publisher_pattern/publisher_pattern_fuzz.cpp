// Publisher patterns of the aircraft database matched against add-on folder paths: the input is the
// pattern, a line feed, then the path.
#include "aircraft/aircraft_db.h"
#include "tests/fuzz/support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input = zyn::fuzz::asText(data, size);
    const auto cut = input.find('\n');
    const std::string_view pattern = input.substr(0, cut);
    const std::string_view path = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);
    (void)zyn::gf_matchPublisherPattern(path, pattern);
    return 0;
}
