#include "tests/support/zip_fixture.h"

#include "base/path_text.h"

#include <zip.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zyn::test {

void writeZip(const std::filesystem::path& path, const ZipEntries& entries, bool stored)
{
    int code = 0;
    zip_t* archive = zip_open(gf_utf8FromPath(path).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive)
        throw std::runtime_error("writeZip: cannot create " + path.string());
    for (const auto& [name, content] : entries) {
        if (!name.empty() && name.back() == '/') {
            zip_dir_add(archive, name.c_str(), ZIP_FL_ENC_UTF_8);
            continue;
        }
        zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
        const zip_int64_t index = source ? zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            zip_source_free(source);
            zip_discard(archive);
            throw std::runtime_error("writeZip: cannot add " + name);
        }
        if (stored)
            zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    if (entries.empty()) {
        // libzip writes no file for an empty archive; an empty zip is its end record alone.
        zip_discard(archive);
        const std::string endRecord = std::string("PK\x05\x06", 4) + std::string(18, '\0');
        std::ofstream(path, std::ios::binary | std::ios::trunc) << endRecord;
        return;
    }
    if (zip_close(archive) != 0)
        throw std::runtime_error("writeZip: cannot write " + path.string());
}

void writeDamagedZip(const std::filesystem::path& path, const std::string& name, const std::string& content)
{
    writeZip(path, {{name, content}}, true);
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    const auto at = bytes.find(content);
    if (content.empty() || at == std::string::npos)
        throw std::runtime_error("writeDamagedZip: content not found");
    bytes[at + content.size() / 2] ^= 0x20;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace zyn::test
