#include "base/file_util.h"

#include "base/atomic_file.h"
#include "base/log.h"
#include "base/path_text.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"

#include <algorithm>
#include <fstream>
#include <mutex>

#include <fmt/format.h>

namespace zyn {

bool gf_readLine(std::istream& in, std::string& line, bool* cut)
{
    line.clear();
    bool skipped = false;
    bool any = false;
    std::streambuf* buffer = in.rdbuf();
    for (int c = buffer ? buffer->sbumpc() : EOF; c != EOF; c = buffer->sbumpc()) {
        any = true;
        if (c == '\n')
            break;
        if (line.size() < kMaxLineChars)
            line.push_back(static_cast<char>(c));
        else
            skipped = true;
    }
    if (cut)
        *cut = skipped;
    return any;
}

std::size_t gf_readLines(std::istream& in, std::vector<std::string>& lines)
{
    std::size_t cutLines = 0;
    std::string line;
    for (bool cut = false; gf_readLine(in, line, &cut);) {
        cutLines += cut ? 1 : 0;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
    }
    in.clear();
    return cutLines;
}

void gf_logCutLines(const std::filesystem::path& path, std::size_t cutLines)
{
    if (cutLines > 0)
        gf_logErrorf("{}: {} line(s) longer than {} characters cut", gf_utf8FromPath(path), cutLines, kMaxLineChars);
}

std::optional<std::vector<std::string>> gf_readFile(const std::filesystem::path& path, std::size_t reserve)
{
    std::ifstream in(path, std::ios::binary); // CRs are stripped per line, on every platform
    if (!in.is_open())
        return std::nullopt;
    std::vector<std::string> lines;
    lines.reserve(reserve);
    gf_logCutLines(path, gf_readLines(in, lines));
    if (lines.empty())
        return std::nullopt;
    return lines;
}

bool gf_writeFile(std::string_view text, const std::filesystem::path& path, bool lineEnd)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.is_open())
        return false;
    out << text;
    if (lineEnd)
        out << '\n' << std::flush;
    return true;
}

void gf_writeLines(const std::vector<std::string>& texts, const std::filesystem::path& path)
{
    std::string text;
    for (const std::string& line : texts)
        text.append(line).push_back('\n');
    gf_writeFileAtomic(path, text);
}

namespace {

// The removals that left something and were logged: one tried again in the same run (a start's
// repair, its sweep and the scan each try an earlier scan's folder) says nothing new.
std::mutex g_stayingMutex;
std::vector<std::filesystem::path> g_stayingEntries;

// Whether the removal's entry stays for the first time; false once logged, until it has gone.
bool lf_newlyStaying(const std::filesystem::path& path, bool stays)
{
    const std::filesystem::path key = path.lexically_normal();
    const std::lock_guard lock(g_stayingMutex);
    const auto known = std::find(g_stayingEntries.begin(), g_stayingEntries.end(), key);
    if (!stays) {
        if (known != g_stayingEntries.end())
            g_stayingEntries.erase(known);
        return false;
    }
    if (known != g_stayingEntries.end())
        return false;
    g_stayingEntries.push_back(key);
    return true;
}

bool lf_removeOrLog(const std::filesystem::path& path, bool (*remove)(const std::filesystem::path&))
{
    try {
        remove(path);
        lf_newlyStaying(path, false);
        return true;
    } catch (const std::filesystem::filesystem_error& e) {
        if (lf_newlyStaying(path, true))
            gf_logErrorf("{} could not be removed: {}", gf_utf8FromPath(e.path1()), gf_errorText(e.code()));
        return false;
    }
}

} // namespace

void gf_resetStayingEntries()
{
    const std::lock_guard lock(g_stayingMutex);
    g_stayingEntries.clear();
}

bool gf_removeFileOrLog(const std::filesystem::path& path)
{
    return lf_removeOrLog(path, [](const std::filesystem::path& p) { return gf_removeFile(p); });
}

bool gf_removeFolderOrLog(const std::filesystem::path& path)
{
    return lf_removeOrLog(path, [](const std::filesystem::path& p) { return gf_removeFolderTree(p); });
}

} // namespace zyn
