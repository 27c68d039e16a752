// The copy, the temporary names and the paths a tree removal refuses, the same on every platform
// above the platform's own steps.
#include "platform/system/files.h"
#include "platform/system/path_text.h"

#include <array>
#include <cstddef>
#include <random>
#include <string>

namespace zyn {

namespace {

namespace fs = std::filesystem;

constexpr int kTemporaryAttempts = 8;

// Whether both name one file; a missing one is no file at all.
bool lf_sameFile(const fs::path& a, const fs::path& b)
{
    std::error_code ignored;
    return fs::equivalent(a, b, ignored);
}

// A replaced file keeps who may read it (a private file stays private); the owner may write it, as
// every copy may be written over by the next.
void lf_takeTargetPermissions(const fs::path& target, const fs::path& temporary)
{
    const fs::file_status status = fs::status(target);
    if (fs::exists(status))
        fs::permissions(temporary, status.permissions() | fs::perms::owner_write);
}

// A whole copy beside the target, then renamed over it; on any failure the temporary goes and the
// target stays as it was.
bool lf_replaceWithCopy(const fs::path& from, const fs::path& to, std::error_code& ec)
{
    if (lf_sameFile(from, to)) {
        ec = std::make_error_code(std::errc::file_exists);
        return false;
    }
    fs::path temporary;
    bool copied = false;
    for (int attempt = 0; attempt < kTemporaryAttempts && !copied && !ec; ++attempt) {
        temporary = gf_temporaryPath(to);
        copied = gf_copyToNewFile(from, temporary, ec);
    }
    if (!copied) {
        if (!ec)
            ec = std::make_error_code(std::errc::file_exists);
        return false;
    }
    try {
        lf_takeTargetPermissions(to, temporary);
        gf_syncFile(temporary); // a crash after the rename must not leave the target empty
        gf_replaceFile(temporary, to);
        gf_syncFolder(to.parent_path());
        return true;
    } catch (const fs::filesystem_error& e) {
        ec = e.code();
    }
    std::error_code ignored;
    gf_removeFile(temporary, ignored);
    return false;
}

// A share's root (\\server\share, or the server alone) names no entry of its own either: server and
// share are the root. Read from the text, since runtimes differ on whether "\\server" is a root name.
// Only Windows has shares; on Linux "//server" is "/server".
bool lf_isShareRoot(const fs::path& entry)
{
    if constexpr (fs::path::preferred_separator != '\\')
        return false;
    const fs::path::string_type& text = entry.native();
    const auto separator = [](auto c) { return c == '/' || c == '\\'; };
    if (text.size() < 3 || !separator(text[0]) || !separator(text[1]) || separator(text[2]))
        return false;
    int elements = 0;
    for (std::size_t i = 2; i < text.size(); ++i)
        if (!separator(text[i]) && separator(text[i - 1]))
            ++elements;
    return elements <= 2;
}

} // namespace

bool gf_copyFile(const fs::path& from, const fs::path& to, ExistingTarget existing, std::error_code& ec)
{
    ec.clear();
    if (existing == ExistingTarget::Keep)
        return gf_copyToNewFile(from, to, ec);
    return lf_replaceWithCopy(from, to, ec);
}

std::optional<fs::path> gf_treeRemovalEntry(const fs::path& path)
{
    fs::path entry = path;
    while (!entry.has_filename() && entry.has_relative_path())
        entry = entry.parent_path(); // "tree/" names "tree"
    if (!entry.has_relative_path() || entry.filename() == "." || entry.filename() == ".." || lf_isShareRoot(entry))
        return std::nullopt;
    return entry;
}

fs::path gf_temporaryPath(const fs::path& path)
{
    thread_local std::mt19937_64 engine{std::random_device{}()};
    static constexpr std::array<char, 16> kDigits{'0', '1', '2', '3', '4', '5', '6', '7',
                                                  '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
    std::string digits(kTemporaryDigits, '0');
    auto value = engine();
    for (auto it = digits.rbegin(); it != digits.rend(); ++it, value >>= 4)
        *it = kDigits[value & 0xf];
    std::string name = gf_utf8FileName(path);
    name.append(kTemporaryMark).append(digits).append(kTemporaryEnd);
    return path.parent_path() / gf_pathFromUtf8(name);
}

} // namespace zyn
