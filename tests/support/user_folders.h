#pragma once
// Points the user's application-data folders (roaming, and local when given) at folders of a test and
// puts the user's own back at the end: $XDG_CONFIG_HOME and $XDG_DATA_HOME on Linux, the user's shell
// folders in the registry on Windows (what SHGetKnownFolderPath reads there). The folders are made, as a
// user's own exist.
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zyn::test {

class ScopedUserFolders {
public:
    // Throws std::system_error when a folder cannot be redirected.
    explicit ScopedUserFolders(const std::filesystem::path& roaming,
                               const std::optional<std::filesystem::path>& local = std::nullopt);
    ~ScopedUserFolders();
    ScopedUserFolders(const ScopedUserFolders&) = delete;
    ScopedUserFolders& operator=(const ScopedUserFolders&) = delete;

private:
    void restore();

    // Each redirected setting (its platform's name) with the user's own value; nothing when it was unset.
    std::vector<std::pair<std::filesystem::path::string_type, std::optional<std::filesystem::path::string_type>>>
        m_previous;
};

} // namespace zyn::test
