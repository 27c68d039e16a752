#include "base/zip_archive.h"

#include "base/path_text.h"

#include <fmt/format.h>
#include <zip.h>

#include <memory>

namespace zyn {

namespace {

std::string lf_zipErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

struct ZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

} // namespace

ZipArchive::ZipArchive(const std::filesystem::path& path) : m_path(path)
{
    int code = 0;
    m_zip = zip_open(gf_utf8FromPath(path).c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!m_zip)
        throw ZipError(fmt::format("{}: {}", gf_utf8FromPath(path), lf_zipErrorText(code)));
}

ZipArchive::~ZipArchive()
{
    zip_discard(m_zip); // read only: nothing to write back
}

std::uint64_t ZipArchive::entryCount() const
{
    const zip_int64_t count = zip_get_num_entries(m_zip, 0);
    return count < 0 ? 0 : static_cast<std::uint64_t>(count);
}

std::string ZipArchive::entryName(std::uint64_t index) const
{
    const char* name = zip_get_name(m_zip, index, 0);
    if (!name)
        throw ZipError(fmt::format("{}: entry {}: {}", gf_utf8FromPath(m_path), index, zip_strerror(m_zip)));
    return name;
}

std::vector<std::string> ZipArchive::entryNames() const
{
    std::vector<std::string> names;
    const auto count = entryCount();
    names.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i)
        names.push_back(entryName(i));
    return names;
}

void ZipArchive::copyEntry(std::uint64_t index, const std::function<bool(std::string_view)>& sink,
                           std::size_t blockSize) const
{
    std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(m_zip, index, 0));
    if (!file)
        throw ZipError(fmt::format("{}: entry {}: {}", gf_utf8FromPath(m_path), index, zip_strerror(m_zip)));
    std::string buffer(blockSize == 0 ? chunkSize : blockSize, '\0');
    for (;;) {
        const zip_int64_t n = zip_fread(file.get(), buffer.data(), buffer.size());
        if (n < 0)
            throw ZipError(fmt::format("{}: {}: {}", gf_utf8FromPath(m_path), entryName(index),
                                       zip_error_strerror(zip_file_get_error(file.get()))));
        if (n == 0)
            return;
        if (!sink(std::string_view(buffer.data(), static_cast<std::size_t>(n))))
            throw ZipError(fmt::format("{}: {}: could not be written", gf_utf8FromPath(m_path), entryName(index)));
    }
}

std::string ZipArchive::readText(std::uint64_t index) const
{
    std::string text;
    copyEntry(index, [&text](std::string_view block) {
        text.append(block);
        return true;
    });
    return text;
}

} // namespace zyn
