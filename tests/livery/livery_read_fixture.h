#pragma once
// Reading aircraft.cfg files in tests: a temporary program folder with an open log, and the shared
// scan state (problem lists, title set, don't-use titles) empty before and after each test.
#include "livery/livery_data.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

namespace zyn::test {

class LiveryReadTest : public ::testing::Test {
protected:
    LiveryReadTest();
    ~LiveryReadTest() override;

    // The log's lines after its header.
    std::vector<std::string> logLines() const;
    // Writes an aircraft.cfg (or any file) below the temporary folder; returns its path.
    std::filesystem::path writeFile(const std::filesystem::path& relative, const std::string& text) const;

    TempDir dir;
    ScopedCwd cwd{dir.path()};
};

void clearLiveryReadState();

std::vector<std::string> lines(const std::list<std::string>& list);

} // namespace zyn::test
