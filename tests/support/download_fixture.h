#pragma once
// A program folder as the current folder, with its log open and its "parameters.xml", and the
// download server stand-in serving another folder at TARVO_DOWNLOAD_URL.
#include "base/download.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tools/download_server.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zyn::test {

class DownloadFixture : public ::testing::Test {
protected:
    DownloadFixture();
    ~DownloadFixture() override;

    // Puts a file on the server: path below "downloads/".
    void serve(const std::string& path, const std::string& content);
    std::vector<std::string> logLines() const; // the log so far, header excluded
    bool logHas(const std::string& line) const;
    std::string savedValue(const std::string& key) const; // from "parameters.xml"; "" when absent

    TempDir programDir;
    TempDir serverDir;
    ScopedCwd cwd{programDir.path()};
    tools::DownloadServer server{serverDir.path()};
    std::optional<ScopedEnv> downloadUrl;

private:
    long m_savedLimits[4];
};

} // namespace zyn::test
