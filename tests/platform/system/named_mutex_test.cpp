#include "platform/system/last_error.h"
#include "platform/system/named_mutex.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace zyn {
namespace {

constexpr const char* kName = "Local\\$TarvoTraffic$";

class NamedMutex : public ::testing::Test {
protected:
    NamedMutex() { std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all); }
    test::TempDir dir;
    test::ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.path().string()};
};

// Runs a child process that creates the mutex and, while holding it, waits for one byte from us.
class HoldingChild {
public:
    HoldingChild()
    {
        if (pipe(m_ready) != 0 || pipe(m_release) != 0)
            throw std::runtime_error("pipe");
        m_pid = fork();
        if (m_pid == 0) {
            HANDLE mutex = CreateMutexA(nullptr, FALSE, kName);
            const char status = (mutex && GetLastError() == ERROR_SUCCESS) ? 'y' : 'n';
            (void)!write(m_ready[1], &status, 1);
            char go = 0;
            (void)!read(m_release[0], &go, 1);
            _exit(0);
        }
        (void)!read(m_ready[0], &m_childStatus, 1);
    }
    ~HoldingChild() { finish(); }
    void finish()
    {
        if (m_pid <= 0)
            return;
        const char go = 'g';
        (void)!write(m_release[1], &go, 1);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        for (int fd : {m_ready[0], m_ready[1], m_release[0], m_release[1]})
            close(fd);
    }
    bool childCreatedIt() const { return m_childStatus == 'y'; }

private:
    int m_ready[2]{};
    int m_release[2]{};
    pid_t m_pid = -1;
    char m_childStatus = 0;
};

TEST_F(NamedMutex, FirstCreateSucceedsSecondInProcessAlreadyExists)
{
    EXPECT_NE(CreateMutexA(nullptr, FALSE, kName), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_NE(CreateMutexA(nullptr, FALSE, kName), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
}

TEST_F(NamedMutex, HeldByAnotherProcessReportsAlreadyExists)
{
    HoldingChild child;
    ASSERT_TRUE(child.childCreatedIt());
    EXPECT_NE(CreateMutexA(nullptr, FALSE, kName), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
}

TEST_F(NamedMutex, EndsWithTheProcessThatHeldIt)
{
    HoldingChild child;
    ASSERT_TRUE(child.childCreatedIt());
    child.finish();
    EXPECT_NE(CreateMutexA(nullptr, FALSE, kName), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
}

TEST_F(NamedMutex, LockFileIsPrivateToTheUser)
{
    ASSERT_NE(CreateMutexA(nullptr, FALSE, kName), nullptr);
    const auto file = gf_mutexLockPath(kName);
    EXPECT_EQ(file.parent_path(), dir.path());
    EXPECT_EQ(file.filename(), "Local_$TarvoTraffic$.lock");
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(info.st_uid, geteuid());
}

TEST_F(NamedMutex, SharedRuntimeFolderIsNotUsed)
{
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    const auto file = gf_mutexLockPath(kName);
    EXPECT_EQ(file.parent_path(), std::filesystem::path("/tmp") / ("tarvo-" + std::to_string(geteuid())));
    struct stat info {};
    ASSERT_EQ(lstat(file.parent_path().c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 077, 0u);
    EXPECT_EQ(info.st_uid, geteuid());
}

TEST_F(NamedMutex, PlantedLinkIsNotFollowed)
{
    const auto target = dir / "elsewhere";
    std::filesystem::create_symlink(target, dir / "Local_$TarvoTraffic$.lock");
    EXPECT_EQ(CreateMutexA(nullptr, FALSE, kName), nullptr);
    EXPECT_NE(GetLastError(), ERROR_SUCCESS);
    EXPECT_FALSE(std::filesystem::exists(target));
}

} // namespace
} // namespace zyn
