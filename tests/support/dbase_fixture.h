#pragma once
// Aircraft databases for tests: written in the server's format into a temporary folder and read by
// the program's own reader.
#include "tests/support/temp_dir.h"
#include "tools/dbase_writer.h"

#include <string>
#include <vector>

namespace zyn::test {

// A database that knows the given types (class Light unless the caller moves them into a class
// list), airlines and registrations; every other section the reader requires holds a placeholder
// that no test uses.
tools::DbaseContent dbaseWith(std::vector<std::string> types, std::vector<std::string> airlines = {},
                              std::vector<tools::DbaseRegistration> registrations = {});

// Reads the content into the database tables and empties them again at the end of the scope.
class ScopedDbase {
public:
    explicit ScopedDbase(const tools::DbaseContent& content);
    ~ScopedDbase();
    ScopedDbase(const ScopedDbase&) = delete;
    ScopedDbase& operator=(const ScopedDbase&) = delete;
    const std::filesystem::path& file() const { return m_file; }

private:
    TempDir m_dir;
    std::filesystem::path m_file;
};

} // namespace zyn::test
