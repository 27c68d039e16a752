#include "core/file_util.h"

#include "core/log.h"

#include <atomic>
#include <fstream>
#include <system_error>
#include <unistd.h>

#include <fmt/format.h>

namespace zyn {

namespace {

// A name beside the target that no other writer (thread or process) uses at the same moment.
std::filesystem::path lf_temporaryBeside(const std::filesystem::path& path)
{
    static std::atomic<unsigned> counter{0};
    auto name = path.filename().string();
    name += fmt::format(".{}-{}.tmp", ::getpid(), counter.fetch_add(1));
    return path.parent_path() / name;
}

} // namespace

void gf_readLines(std::istream& in, std::vector<std::string>& lines)
{
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
    }
    in.clear();
}

std::optional<std::vector<std::string>> gf_readFile(const std::filesystem::path& path, std::size_t reserve)
{
    std::ifstream in(path);
    if (!in.is_open())
        return std::nullopt;
    std::vector<std::string> lines;
    lines.reserve(reserve);
    gf_readLines(in, lines);
    if (lines.empty())
        return std::nullopt;
    return lines;
}

bool gf_writeFile(std::string_view text, const std::filesystem::path& path, bool lineEnd)
{
    std::ofstream out(path, std::ios::out | std::ios::trunc);
    if (!out.is_open())
        return false;
    out << text;
    if (lineEnd)
        out << '\n' << std::flush;
    return true;
}

bool gf_writeLines(const std::vector<std::string>& texts, const std::filesystem::path& path)
{
    std::ofstream out(path, std::ios::out | std::ios::trunc);
    if (!out.is_open())
        return false;
    for (const auto& text : texts)
        out << text << '\n';
    return true;
}

bool gf_replaceFileAtomically(const std::filesystem::path& path, const std::function<bool(std::ostream&)>& write)
{
    const auto temporary = lf_temporaryBeside(path);
    bool written = false;
    {
        std::ofstream out(temporary, std::ios::out | std::ios::trunc | std::ios::binary);
        if (out.is_open()) {
            written = write(out);
            out.flush();
            written = written && out.good();
        }
    }
    std::error_code ec;
    if (written) {
        std::filesystem::rename(temporary, path, ec);
        if (!ec)
            return true;
    }
    std::filesystem::remove(temporary, ec);
    return false;
}

bool gf_saveXml(const pugi::xml_document& document, const std::filesystem::path& path)
{
    const bool saved = gf_replaceFileAtomically(path, [&](std::ostream& out) {
        document.save(out);
        return true;
    });
    if (saved)
        gf_logf("\"{}\" saved", path.string());
    else
        gf_logf("could not save to \"{}\"", path.string());
    return saved;
}

} // namespace zyn
