// Saving XML documents, apart from the byte-level writers so that those need no XML library.
#include "base/atomic_file.h"
#include "base/file_util.h"
#include "base/log.h"
#include "base/path_text.h"

#include <sstream>

#include <pugixml.hpp>

namespace zyn {

void gf_saveXmlAtomic(const pugi::xml_document& document, const std::filesystem::path& path, FileSync sync)
{
    std::ostringstream text;
    document.save(text);
    gf_writeFileAtomic(path, text.str(), sync);
}

bool gf_saveXml(const pugi::xml_document& document, const std::filesystem::path& path)
{
    try {
        gf_saveXmlAtomic(document, path);
    } catch (const std::filesystem::filesystem_error&) {
        gf_logf("could not save to \"{}\"", gf_utf8FromPath(path));
        return false;
    }
    gf_logf("\"{}\" saved", gf_utf8FromPath(path));
    return true;
}

} // namespace zyn
