#include "base/atomic_file.h"

#include "base/path_text.h"
#include "base/pending_file.h"
#include "platform/system/files.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace zyn {

namespace {

namespace fs = std::filesystem;

constexpr int kOpenAttempts = 8;

bool lf_isTemporaryName(std::string_view name)
{
    if (name.ends_with(kPendingFileEnd)) // a download into a temporary
        name.remove_suffix(kPendingFileEnd.size());
    if (!name.ends_with(kTemporaryEnd))
        return false;
    name.remove_suffix(kTemporaryEnd.size());
    if (name.size() <= kTemporaryMark.size() + kTemporaryDigits)
        return false;
    const auto digits = name.substr(name.size() - kTemporaryDigits);
    name.remove_suffix(kTemporaryDigits);
    const auto isHexDigit = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
    return name.ends_with(kTemporaryMark) && std::all_of(digits.begin(), digits.end(), isHexDigit);
}

// Owns the temporary until it has been renamed into place.
class TemporaryFile {
public:
    // A fresh name whenever one is taken already.
    explicit TemporaryFile(const fs::path& target)
    {
        for (int attempt = 0; attempt < kOpenAttempts && m_file == kNoFile; ++attempt) {
            m_path = gf_temporaryPath(target);
            m_file = gf_createNewFile(m_path);
        }
        if (m_file == kNoFile)
            throw fs::filesystem_error("open", m_path, std::make_error_code(std::errc::file_exists));
    }
    ~TemporaryFile()
    {
        if (m_file != kNoFile) {
            try {
                gf_closeFile(m_file, m_path);
            } catch (const fs::filesystem_error&) { // the write has failed already
            }
        }
        std::error_code ignored;
        if (!m_renamed)
            gf_removeFile(m_path, ignored);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    void write(std::string_view bytes) { gf_writeToFile(m_file, bytes, m_path); }

    void commit(const fs::path& target, FileSync sync)
    {
        if (sync == FileSync::Durable)
            gf_flushFile(m_file, m_path);
        gf_closeFile(std::exchange(m_file, kNoFile), m_path);
        gf_replaceFile(m_path, target);
        m_renamed = true;
        if (sync == FileSync::Durable) // without this a crash right after the rename may bring back the old file
            gf_syncFolder(target.parent_path());
    }

private:
    fs::path m_path;
    FileHandle m_file = kNoFile;
    bool m_renamed = false;
};

} // namespace

void gf_writeFileAtomic(const fs::path& path, std::string_view bytes, FileSync sync)
{
    TemporaryFile temporary(path);
    temporary.write(bytes);
    temporary.commit(path, sync);
}

void gf_removeStaleTemporaries(const fs::path& folder)
{
    std::error_code error;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const std::string name = gf_utf8FileName(it->path());
        // Downloads write beside their targets, at the top of the folder; below it the name is someone else's.
        const bool stale = lf_isTemporaryName(name) || (it.depth() == 0 && gf_isDownloadPendingName(name));
        std::error_code ignored;
        if (stale && it->is_regular_file(ignored))
            gf_removeFile(it->path(), ignored); // one that still refuses (held open) stays
    }
}

} // namespace zyn
