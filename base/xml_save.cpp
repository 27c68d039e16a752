// Saving XML documents, apart from the byte-level writers so that those need no XML library.
#include "base/atomic_file.h"
#include "base/file_util.h"
#include "base/log.h"
#include "base/path_text.h"
#include "platform/system/error_text.h"

#include <pugixml.hpp>

namespace zyn {

namespace {

class StringWriter : public pugi::xml_writer {
public:
    explicit StringWriter(std::string& text) : m_text(text) {}
    void write(const void* data, std::size_t size) override { m_text.append(static_cast<const char*>(data), size); }

private:
    std::string& m_text;
};

} // namespace

std::string gf_xmlText(const pugi::xml_document& document)
{
    std::string text;
    StringWriter writer(text);
    document.save(writer);
    return text;
}

void gf_saveXmlAtomic(const pugi::xml_document& document, const std::filesystem::path& path, FileSync sync)
{
    gf_writeFileAtomic(path, gf_xmlText(document), sync);
}

bool gf_saveXml(const pugi::xml_document& document, const std::filesystem::path& path)
{
    try {
        gf_saveXmlAtomic(document, path);
    } catch (const std::filesystem::filesystem_error& e) {
        gf_logf("could not save to \"{}\"", gf_utf8FromPath(path));
        gf_logIndented(gf_exceptionText(e)); // the reason: a full disk, a denied access
        return false;
    }
    gf_logf("\"{}\" saved", gf_utf8FromPath(path));
    return true;
}

} // namespace zyn
