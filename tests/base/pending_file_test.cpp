#include "base/pending_file.h"
#include "platform/system/full_disk.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace zyn {
namespace {

namespace fs = std::filesystem;

class PendingFileWrites : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path target = dir / "data.xml";
};

TEST_F(PendingFileWrites, ReplacesTheTargetOnlyOnCommit)
{
    test::writeText(target, "old");
    {
        PendingFile file(target);
        ASSERT_TRUE(file.write("new content"));
        EXPECT_EQ(test::readText(target), "old");
        file.commit();
    }
    EXPECT_EQ(test::readText(target), "new content");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(PendingFileWrites, AbandonedFileLeavesNoTrace)
{
    test::writeText(target, "old");
    {
        PendingFile file(target);
        file.write("half");
    }
    EXPECT_EQ(test::readText(target), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(PendingFileWrites, UnwritableFolderThrows)
{
    EXPECT_THROW(PendingFile(dir / "missing" / "data.xml"), fs::filesystem_error);
}

// The runtimes' words for a write a full disk cut short: none, or mingw's EINVAL in text mode; a
// reason of the runtime's own stands.
TEST(PendingFileWords, OnlyAWriteWithoutAReasonOfItsOwnAsksTheDisk)
{
    const struct {
        int error;
        bool unnamed;
    } rows[] = {{0, true}, {EINVAL, true}, {ENOSPC, false}, {EFBIG, false}, {EIO, false}, {EACCES, false}};
    for (const auto& row : rows)
        EXPECT_EQ(gf_writeFailedUnnamed(row.error), row.unnamed) << row.error;
}

// A write that failed says why: a full disk by name where the runtime named no reason and the disk
// has less room left than the write and a buffer the runtime held back; otherwise the runtime's
// reason, a disk nearly full or not.
TEST_F(PendingFileWrites, FailedWriteKeepsItsReason)
{
    constexpr std::size_t kKiB = 1024;
    const struct {
        const char* what;
        std::uint64_t bytesLeft; // on the file's disk
        std::uint64_t bytesKept; // of those, what no write gets
        std::uint64_t sizeLimit; // the process's file-size limit; 0: none
        std::errc why;
    } rows[] = {
        {"the disk fills", 10 * kKiB, 0, 0, std::errc::no_space_on_device},
        {"a little room left, more than the write's", 50 * kKiB, 40 * kKiB, 0, std::errc::no_space_on_device},
        {"room enough left", 110 * kKiB, 100 * kKiB, 0, std::errc::io_error},
#ifndef _WIN32
        {"a file-size limit on a disk nearly full", 40 * kKiB, 0, 8 * kKiB, std::errc::file_too_large},
#endif
    };
    const std::string bytes(20 * kKiB, 'x');
    for (const auto& row : rows) {
        gf_setFullDisk(FullDisk{dir.path(), row.bytesLeft, row.bytesKept});
#ifndef _WIN32
        rlimit limitBefore{};
        getrlimit(RLIMIT_FSIZE, &limitBefore);
        const auto signalBefore = std::signal(SIGXFSZ, SIG_IGN); // the write then fails with EFBIG
        if (row.sizeLimit) {
            const rlimit limit{row.sizeLimit, limitBefore.rlim_max};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
#endif
        std::string reason = "committed";
        {
            PendingFile file(target);
            EXPECT_FALSE(file.write(bytes)) << row.what;
            try {
                file.commit();
            } catch (const fs::filesystem_error& e) {
                reason = e.code().message();
            }
        }
#ifndef _WIN32
        setrlimit(RLIMIT_FSIZE, &limitBefore);
        std::signal(SIGXFSZ, signalBefore);
#endif
        gf_setFullDisk(std::nullopt);
        EXPECT_EQ(reason, std::make_error_code(row.why).message()) << row.what;
        EXPECT_FALSE(fs::exists(target)) << row.what;
    }
}

} // namespace
} // namespace zyn
