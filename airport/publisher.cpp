#include "airport/publisher.h"

#include "aircraft/aircraft_db.h"
#include "airport/scan_log.h"
#include "base/folders.h"
#include "base/path_text.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <memory>

namespace zyn {

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kMaxManifestBytes = 1 << 20; // real manifests are a few hundred bytes
constexpr std::string_view kSimaddon = "simaddon";
constexpr std::string_view kUnknown = "unknown";

std::string lf_jsonString(const nlohmann::json& object, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end() || it->is_null())
        return {};
    return it->get<std::string>();
}

bool lf_isSeparator(char c) { return c == '/' || c == '\\'; }

std::size_t lf_findSeparator(std::string_view text, std::size_t from)
{
    for (std::size_t i = from; i < text.size(); ++i)
        if (lf_isSeparator(text[i]))
            return i;
    return std::string_view::npos;
}

// Windows refuses to open a folder as a file; Linux refuses only its read.
bool lf_isFolder(const fs::path& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

// Text that is no JSON raises the library's parse error, a value of a key that is neither a string
// nor null its type error: either ends the search, so that a broken package manifest is reported
// and no manifest of a folder inside the package is taken for it. An empty file was not read.
ManifestInfo lf_manifestOfText(std::string_view text)
{
    if (text.empty())
        return {};
    const nlohmann::json json = nlohmann::json::parse(text);
    if (!json.is_object())
        return {};
    return {lf_jsonString(json, "manufacturer"), lf_jsonString(json, "creator"), lf_jsonString(json, "title"), true};
}

// A valid manifest of the folder, logged when found; nothing when the folder has none. Runs for
// each airport file of a package: the file is opened at once (no look-up of it first) and read once.
std::optional<ManifestInfo> lf_manifestOf(const fs::path& folder)
{
    const fs::path file = folder / "manifest.json";
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> open(gf_openFile(file, "rb"), &std::fclose);
    if (!open && (errno == ENOENT || errno == ENOTDIR || lf_isFolder(file)))
        return std::nullopt;
    std::string text;
    if (open) {
        std::setvbuf(open.get(), nullptr, _IONBF, 0);
        // The size as the handle tells it, so that a manifest of a few hundred bytes costs no more.
        text.resize(std::min<std::uint64_t>(gf_openFileSize(open.get()).value_or(kMaxManifestBytes), kMaxManifestBytes) + 1);
        text.resize(std::fread(text.data(), 1, text.size(), open.get()));
        if (std::ferror(open.get()) && errno == EISDIR) // a folder of that name
            return std::nullopt;
    }
    gf_addScanLogLine(gf_utf8FromPath(file) + " found");
    if (!open || std::ferror(open.get()) || text.size() > kMaxManifestBytes) {
        const char* why = !open ? "cannot be opened" : std::ferror(open.get()) ? "cannot be read" : "too large";
        gf_addScanLogLine(fmt::format("{}: not read ({})", gf_utf8FromPath(file), why));
        return ManifestInfo{};
    }
    return lf_manifestOfText(text);
}

// The package folder right below "Community" (the text up to the second separator after it).
std::optional<ManifestInfo> lf_communityManifest(std::string_view path)
{
    const std::size_t community = path.find(kCommunityName);
    if (community == std::string_view::npos)
        return std::nullopt;
    const std::size_t first = lf_findSeparator(path, community);
    const std::size_t second = first == std::string_view::npos ? first : lf_findSeparator(path, first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    return lf_manifestOf(gf_pathFromUtf8(path.substr(0, second)));
}

PublisherInfo lf_publisherOnly(std::string publisher) { return {std::move(publisher), {}, {}, {}}; }

} // namespace

ManifestInfo lf_searchManifest(std::string_view path)
{
    try {
        if (auto manifest = lf_communityManifest(path))
            return *manifest;
        fs::path folder;
        for (const fs::path& part : gf_pathFromUtf8(path)) {
            folder /= part;
            if (auto manifest = lf_manifestOf(folder); manifest && manifest->valid)
                return *manifest;
        }
    } catch (const std::exception& e) {
        gf_addScanLogLine(fmt::format("exception in lf_searchManifest: {}", gf_exceptionText(e)));
    }
    return {};
}

PublisherInfo gf_findPublisher(std::string_view path)
{
    gf_addScanLogLine(fmt::format("\nTry find publisher in: {}", path));
    if (gf_matchPublisherPattern(path, "microsoft-airport") || gf_matchPublisherPattern(path, "asobo-airport")) {
        gf_addScanLogLine(fmt::format("from filename => publisher {}", kSimaddon));
        return lf_publisherOnly(std::string(kSimaddon));
    }
    if (std::string publisher = gf_publisherOfPath(path); publisher != kUnknown) {
        gf_addScanLogLine(fmt::format("publisher \"{}\" found", publisher));
        return lf_publisherOnly(std::move(publisher));
    }
    const ManifestInfo manifest = lf_searchManifest(path);
    if (!manifest.valid) {
        gf_addScanLogLine("===> No publisher found");
        return lf_publisherOnly(std::string(kUnknown));
    }
    PublisherInfo info{std::string(kUnknown), manifest.manufacturer, manifest.creator, manifest.title};
    if (!manifest.manufacturer.empty()) {
        if (std::string publisher = gf_publisherOfPath(manifest.manufacturer); publisher != kUnknown) {
            gf_addScanLogLine(fmt::format("from manifest.json: manufacturer \"{}\" => publisher \"{}\"",
                                          manifest.manufacturer, publisher));
            info.publisher = std::move(publisher);
            return info;
        }
    }
    if (!manifest.creator.empty()) {
        if (std::string publisher = gf_publisherOfPath(manifest.creator); publisher != kUnknown) {
            gf_addScanLogLine(fmt::format("from manifest.json creator \"{}\" => publisher \"{}\"", manifest.creator,
                                          publisher));
            info.publisher = std::move(publisher);
            return info;
        }
    }
    gf_addScanLogLine(fmt::format("no valid info found in manifest about publisher, manufacturer:\"{}\", creator:\"{}\" {}",
                                  manifest.manufacturer, manifest.creator, path));
    return info;
}

} // namespace zyn
