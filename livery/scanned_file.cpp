#include "livery/scanned_file.h"

#include "base/errors.h"
#include "base/file_util.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"
#include "settings/xml_meta.h"

#include <algorithm>
#include <system_error>

#include <fmt/format.h>

namespace zyn {

namespace {

namespace fs = std::filesystem;

// Moves a damaged file aside, so the next start-up finds it gone and rescans, while its bytes stay
// for whoever wants to look at them.
fs::path lf_keepDamagedFile(const fs::path& path)
{
    const fs::path backup = gf_damagedFileBackupPath(path);
    try {
        gf_replaceFile(path, backup); // an earlier one goes, whatever marks it carries
    } catch (const fs::filesystem_error& e) {
        gf_logErrorf("could not keep {} as {}: {}", gf_utf8FromPath(path), gf_utf8FromPath(backup), gf_errorText(e.code()));
        return path;
    }
    return backup;
}

void lf_loadLiveriesDocument(pugi::xml_document& document, const fs::path& path)
{
    const pugi::xml_parse_result result = document.load_file(path.c_str());
    if (result)
        return;
    if (result.status == pugi::status_file_not_found || result.status == pugi::status_io_error)
        throw UserErrorException(51, fmt::format("File {} not found", gf_utf8FromPath(path)));
    const fs::path kept = lf_keepDamagedFile(path);
    gf_logErrorf("{}: {} at offset {}", gf_utf8FromPath(path), result.description(), result.offset);
    throw UserErrorException(
        51, fmt::format("File {} is damaged ({}), kept as {}; rescan the liveries", gf_utf8FromPath(path),
                        result.description(), gf_utf8FromPath(kept)));
}

LiveryData lf_readLiveryNode(pugi::xml_node node)
{
    LiveryData livery;
    livery.airl = node.attribute("airl").as_string();
    livery.type = node.attribute("type").as_string();
    livery.title = node.attribute("title").as_string();
    livery.atcid = node.attribute("atcid").as_string();
    livery.cargo = node.attribute("cargo").as_bool(false); // "1", "t", "T", "y", "Y" at the start
    livery.folderIndex = 0;
    return livery;
}

} // namespace

fs::path gf_damagedFileBackupPath(const fs::path& path)
{
    fs::path backup = path;
    backup += ".bad";
    return backup;
}

bool gf_liveryOrder(const LiveryData& a, const LiveryData& b)
{
    if (a.airl != b.airl)
        return a.airl < b.airl;
    if (a.type != b.type)
        return a.type < b.type;
    return a.title < b.title;
}

void lf_addLiveryNode(pugi::xml_node parent, const LiveryData& livery)
{
    auto node = parent.append_child("liv");
    node.append_attribute("airl").set_value(livery.airl.c_str());
    node.append_attribute("type").set_value(livery.type.c_str());
    if (livery.cargo)
        node.append_attribute("cargo").set_value("true");
    node.append_attribute("title").set_value(livery.title.c_str());
    if (!livery.atcid.empty())
        node.append_attribute("atcid").set_value(livery.atcid.c_str());
}

bool gf_saveLiveries()
{
    if (g_scannedLiveries.empty())
        return true;
    pugi::xml_document document;
    gf_writeXmlMeta(document);
    auto liveries = document.append_child("liveries");
    for (const LiveryData& livery : g_scannedLiveries)
        lf_addLiveryNode(liveries, livery);
    std::error_code ec;
    fs::create_directories(g_liveriesScannedPath.parent_path(), ec);
    if (!gf_saveXml(document, g_liveriesScannedPath))
        return false;
    gf_logf("{} liveries in {}", g_scannedLiveries.size(), gf_utf8FromPath(g_liveriesScannedPath));
    return true;
}

std::vector<LiveryData> gf_readLiveriesFile(const fs::path& path)
{
    pugi::xml_document document;
    lf_loadLiveriesDocument(document, path);
    gf_checkXmlMeta(document); // logs its own line; an incomplete block does not stop the reading
    const pugi::xml_node liveriesNode = document.child("liveries");
    if (!liveriesNode)
        throw UserErrorException(52, fmt::format("{} does not contain a <liveries> section", gf_utf8FromPath(path)));
    std::vector<LiveryData> liveries;
    for (const pugi::xml_node node : liveriesNode.children("liv"))
        liveries.push_back(lf_readLiveryNode(node));
    if (liveries.empty())
        throw UserErrorException(533, gf_utf8FromPath(path) + " does not contain liveries");
    return liveries;
}

std::vector<LiveryData> lf_readLiveriesScanned()
{
    std::vector<LiveryData> liveries = gf_readLiveriesFile(g_liveriesScannedPath);
    gf_logf("{} liveries read from {}", liveries.size(), gf_utf8FromPath(g_liveriesScannedPath));
    std::stable_sort(liveries.begin(), liveries.end(), gf_liveryOrder);
    return liveries;
}

} // namespace zyn
