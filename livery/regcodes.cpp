#include "livery/regcodes.h"

#include "aircraft/aircraft_db.h"
#include "base/file_util.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "base/zip_download.h"
#include "platform/system/error_text.h"
#include "shown/status_line.h"

#include <pugixml.hpp>

#include <algorithm>

namespace zyn {

namespace fs = std::filesystem;

TextMap<std::string_view> g_regcodeLiveries;
std::vector<std::string_view> g_specialLiveryTitles;
std::vector<std::string> g_offlineRegcodeLines;

namespace {

constexpr std::size_t kLongestRegistration = 12;
constexpr std::size_t kShortestOfSeveral = 3;

// What the parser of one text file needs besides the line.
struct RegcodeFileContext {
    const fs::path& path;
    std::vector<RegcodeEntry>& entries;
    bool& ok;
};

// Empty pieces stay: a stray comma is a registration of wrong length, reported like any other.
std::vector<std::string> lf_sortedRegistrations(std::string_view text)
{
    auto regs = gf_splitCommas(text);
    std::sort(regs.begin(), regs.end());
    regs.erase(std::unique(regs.begin(), regs.end()), regs.end());
    return regs;
}

bool lf_checkRegcodeLength(RegcodeFileContext& context, const std::string& reg)
{
    if (reg.size() >= kShortestOfSeveral && reg.size() <= kLongestRegistration)
        return true;
    context.ok = false;
    gf_logErrorf("wrong regcode length \"{}\" in {}", reg, gf_utf8FromPath(context.path));
    return false;
}

void lf_parseSeveralRegistrations(RegcodeFileContext& context, const std::vector<std::string>& fields,
                                  std::vector<std::string> regs)
{
    const bool special = fields.size() == 3 && fields[2] == "#";
    std::erase_if(regs, [&context](const std::string& reg) { return !lf_checkRegcodeLength(context, reg); });
    if (regs.empty()) {
        gf_logErrorf("{} ; regs empty? ", gf_utf8FromPath(context.path));
        return;
    }
    context.entries.push_back({fields[0], std::move(regs), special});
}

void lf_parseRegcodeLine(RegcodeFileContext& context, const std::string& line)
{
    if (line.empty())
        return;
    const auto fields = gf_splitString(line, ';');
    if (fields.size() == 1) {
        if (!fields[0].empty())
            context.entries.push_back({fields[0], {}, false});
        return;
    }
    if (fields.size() >= 4) {
        context.ok = false;
        gf_logErrorf("{}: wrong format \"{}\"", gf_utf8FromPath(context.path), line);
        return;
    }
    auto regs = lf_sortedRegistrations(fields[1]);
    if (regs.empty())
        return;
    if (regs.size() > 1) {
        lf_parseSeveralRegistrations(context, fields, std::move(regs));
        return;
    }
    // Only commas and blanks give one empty registration, which no aircraft has.
    if (fields[1].size() > kLongestRegistration || regs.front().empty()) {
        context.ok = false;
        gf_logErrorf("wrong regcode length \"{}\" in {}", fields[1], gf_utf8FromPath(context.path));
        return;
    }
    context.entries.push_back({fields[0], std::move(regs), true}); // one aircraft: always its own livery
}

bool lf_isRegcodeFile(const fs::directory_entry& entry)
{
    return entry.is_regular_file() && gf_toUpper(gf_utf8FromPath(entry.path().extension())) == ".TXT";
}

// The text files in name order, so that the precedence between two files does not depend on the
// file system.
std::vector<fs::path> lf_regcodeFiles(const fs::path& folder)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (lf_isRegcodeFile(entry))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

bool lf_folderHasFiles(const fs::path& folder)
{
    std::error_code error;
    return fs::is_directory(folder, error) && !fs::is_empty(folder, error) && !error;
}

// Appends the titles of the entries without registrations; returns how many.
std::size_t lf_appendDontUseTitles(const std::vector<RegcodeEntry>& entries, std::vector<std::string>& titles)
{
    std::size_t count = 0;
    for (const auto& entry : entries)
        if (entry.regs.empty()) {
            titles.push_back(entry.title);
            ++count;
        }
    return count;
}

void lf_checkTitleUseFile(const fs::path& path, std::vector<std::string>& titles)
{
    std::vector<RegcodeEntry> entries;
    gf_readAigRegcodesXml(path, entries);
    const auto count = lf_appendDontUseTitles(entries, titles);
    gf_logf("{} don't use title{} read", count, gf_plural(count));
}

void lf_checkTitleUseFolder(std::vector<std::string>& titles)
{
    std::vector<RegcodeEntry> entries;
    gf_readRegcodeFiles(g_myRegcodesPath, entries);
    const auto count = lf_appendDontUseTitles(entries, titles);
    gf_logf("{} don't use title{} read from files in {}", count, gf_plural(count), gf_utf8FromPath(g_myRegcodesPath));
}

struct MergeCounts {
    std::size_t added = 0;
    std::size_t replaced = 0;
    std::size_t special = 0;
};

void lf_reportRegcodeReplaced(MergeCounts& counts, const std::string& reg, std::string_view title)
{
    const auto it = g_regcodeLiveries.find(reg);
    if (it == g_regcodeLiveries.end()) {
        g_regcodeLiveries.emplace(reg, title);
        ++counts.added;
    } else if (it->second != title) {
        g_offlineRegcodeLines.push_back(
            fmt::format("   regcode {} for \"{}\", instead of the same for \"{}\"", reg, title, it->second));
        it->second = title;
        ++counts.replaced;
    }
}

void lf_mergeRegcodes(const std::vector<RegcodeEntry>& entries)
{
    MergeCounts counts;
    for (const auto& entry : entries) {
        const std::string_view title = gf_findLiveryByTitle(entry.title);
        if (title.empty())
            continue; // not installed here
        for (const auto& reg : entry.regs)
            lf_reportRegcodeReplaced(counts, reg, title);
        if (entry.special) {
            g_specialLiveryTitles.push_back(title);
            ++counts.special;
        }
    }
    std::string line = fmt::format("{} new regcode{} added", counts.added, gf_plural(counts.added));
    if (counts.replaced >= 1)
        line += fmt::format(", {} regcode{} replaced", counts.replaced, gf_plural(counts.replaced));
    if (counts.special >= 1)
        line += fmt::format(", {} regcode{} defined as special", counts.special, gf_plural(counts.special));
    g_offlineRegcodeLines.push_back(std::move(line));
}

void lf_processAigRegcodeFile(const fs::path& path)
{
    g_offlineRegcodeLines.push_back("Processing file " + gf_utf8FromPath(path));
    std::vector<RegcodeEntry> entries;
    if (!gf_readAigRegcodesXml(path, entries))
        g_offlineRegcodeLines.push_back(fmt::format(
            "There were errors in processing the AIG-regcode file \"{}\", see the Log.txt", gf_utf8FromPath(path)));
    lf_mergeRegcodes(entries);
}

void lf_processRegcodeFolder()
{
    if (!lf_folderHasFiles(g_myRegcodesPath))
        return;
    g_offlineRegcodeLines.push_back("Processing files in " + gf_utf8FromPath(g_myRegcodesPath));
    std::vector<RegcodeEntry> entries;
    if (!gf_readRegcodeFiles(g_myRegcodesPath, entries))
        gf_setStatusMessage(fmt::format("There were errors in processing the regcode files in folder \"{}\", see the Log.txt",
                                        gf_utf8FromPath(g_myRegcodesPath)),
                            true);
    lf_mergeRegcodes(entries);
}

// One "livery" element; a stored registration that does not descramble throws.
RegcodeEntry lf_readAigLivery(const pugi::xml_node& livery)
{
    RegcodeEntry entry{livery.attribute("title").as_string(), {}, false};
    for (const auto& piece : gf_splitCommas(livery.attribute("reg").as_string()))
        if (!piece.empty())
            entry.regs.push_back(lf_descrambleCode(piece));
    std::sort(entry.regs.begin(), entry.regs.end());
    entry.regs.erase(std::unique(entry.regs.begin(), entry.regs.end()), entry.regs.end());
    const std::string_view special = livery.attribute("special").as_string();
    entry.special = !special.empty() && std::string_view("1tTyY").find(special.front()) != std::string_view::npos;
    return entry;
}

} // namespace

fs::path gf_aigRegcodesXmlPath() { return g_inputPath / "AIG-regcodes.xml"; }
fs::path gf_inlineRegcodesPath() { return g_outputErrorsPath / "InlineRegcodes.txt"; }
fs::path gf_offlineRegcodesPath() { return g_outputInfoPath / "OfflineRegcodes.txt"; }

bool gf_readRegcodeFiles(const fs::path& folder, std::vector<RegcodeEntry>& entries)
{
    bool ok = true;
    try {
        for (const auto& path : lf_regcodeFiles(folder)) {
            gf_logf("Processing regcodes file \"{}\"", gf_utf8FromPath(path));
            RegcodeFileContext context{path, entries, ok};
            for (const auto& line : gf_readFile(path).value_or(std::vector<std::string>{}))
                lf_parseRegcodeLine(context, line);
        }
        gf_logf("{} liverie{} read", entries.size(), gf_plural(entries.size()));
        return ok;
    } catch (const std::exception& e) {
        gf_logErrorf("Error in reading regcode file {}, what: {}", gf_utf8FromPath(folder), gf_exceptionText(e));
        return false;
    }
}

bool gf_readAigRegcodesXml(const fs::path& path, std::vector<RegcodeEntry>& entries)
{
    pugi::xml_document document;
    if (!document.load_file(path.c_str())) {
        gf_logErrorf("Failed to load {}", gf_utf8FromPath(path));
        return false;
    }
    bool ok = true;
    for (const auto& livery : document.child("AIG-regcodes").children("livery")) {
        if (std::string_view(livery.attribute("title").as_string()).empty())
            continue;
        try {
            entries.push_back(lf_readAigLivery(livery));
        } catch (const std::exception& e) {
            // One damaged entry costs that entry, not the file.
            ok = false;
            gf_logErrorf("{}: \"{}\" {}", "gf_readAigRegcodesXml", livery.attribute("title").as_string(), e.what());
        }
    }
    gf_backupFile(path);
    gf_logf("{} liverie{} read from {}", entries.size(), gf_plural(entries.size()), gf_utf8FromPath(path));
    return ok;
}

void lf_readAigRegcodesForScan(std::vector<std::string>& dontUseTitles)
{
    const fs::path xml = gf_aigRegcodesXmlPath();
    if (gf_downloadAndUnzip(gf_utf8FromPath(g_aigRegcodesZipPath), xml)) {
        lf_checkTitleUseFile(xml, dontUseTitles);
        gf_removeFileOrLog(xml); // the next download replaces or removes one that stays
    } else {
        gf_logErrorf("reading {} failed?", gf_utf8FromPath(xml));
    }
    if (lf_folderHasFiles(g_myRegcodesPath))
        lf_checkTitleUseFolder(dontUseTitles);
}

void lf_checkInlineRegcodeClashes(const std::vector<LiveryData>& liveries)
{
    std::vector<std::string> lines;
    for (const auto& livery : liveries) {
        if (livery.atcid.empty())
            continue;
        const std::string_view title = gf_findLiveryByTitle(livery.title);
        if (title.empty()) {
            lines.push_back(fmt::format("==> [{:3} {:4}] {} \"{}\" not available, system error, should not happen?",
                                        livery.airl, livery.type, livery.atcid, livery.title));
            continue;
        }
        const auto [it, added] = g_regcodeLiveries.emplace(livery.atcid, title);
        if (!added && it->second != livery.title)
            lines.push_back(fmt::format("{} \"{}\" => already in use by \"{}\"", livery.atcid, livery.title, it->second));
    }
    if (lines.empty())
        return;
    fs::create_directories(g_outputErrorsPath);
    try {
        gf_writeLines(lines, gf_inlineRegcodesPath());
    } catch (const fs::filesystem_error& e) {
        gf_logErrorf("{} in-line regcode clashes, \"{}\" could not be written: {}", lines.size(),
                     gf_utf8FromPath(gf_inlineRegcodesPath()), gf_exceptionText(e));
        return;
    }
    gf_logf("{} in-line regcode clashes, see \"{}\"", lines.size(), gf_utf8FromPath(gf_inlineRegcodesPath()));
}

void lf_processRegcodeFiles()
{
    g_offlineRegcodeLines.clear();
    const fs::path xml = gf_aigRegcodesXmlPath();
    if (gf_downloadAndUnzip(gf_utf8FromPath(g_aigRegcodesZipPath), xml)) {
        lf_processAigRegcodeFile(xml);
        gf_removeFileOrLog(xml); // the next download replaces or removes one that stays
    } else {
        gf_logError("reading AIG-regcodes failed?");
    }
    lf_processRegcodeFolder();
    const fs::path report = gf_offlineRegcodesPath();
    gf_removeFileOrLog(report); // an earlier run's report; one that stays never stops the start
    if (g_offlineRegcodeLines.empty())
        return;
    fs::create_directories(g_outputInfoPath);
    try {
        gf_writeLines(g_offlineRegcodeLines, report);
        gf_logf("Offline regcode files processed, results can be found in \"{}\"", gf_utf8FromPath(report));
    } catch (const fs::filesystem_error& e) {
        gf_logErrorf("Offline regcode files processed, \"{}\" could not be written: {}", gf_utf8FromPath(report),
                     gf_exceptionText(e));
    }
    if (!g_specialLiveryTitles.empty())
        gf_logf("{} special liveries", g_specialLiveryTitles.size());
}

void gf_clearRegcodes()
{
    g_regcodeLiveries.clear();
    g_specialLiveryTitles.clear();
}

} // namespace zyn
