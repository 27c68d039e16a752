#pragma once
// The source tree the tests read (the shipped files, the program's own sources): the one named by
// TARVO_TEST_SOURCE_DIR where a run has a copy of it (the Windows stage's user may not reach the work
// tree), else the one the tests were built from.
#include <cstdlib>
#include <string>

namespace zyn::test {

inline std::string sourceDir()
{
    const char* copy = std::getenv("TARVO_TEST_SOURCE_DIR");
    return copy && *copy ? copy : TARVO_SOURCE_DIR;
}

} // namespace zyn::test
