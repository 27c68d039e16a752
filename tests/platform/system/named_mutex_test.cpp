#include "platform/system/last_error.h"
#include "platform/system/named_mutex.h"
#include "tests/support/child_role.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
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

// The child's part: creates the mutex, says whether it did, and holds it until told to let go.
int lf_holdTheMutex(const test::RoleArgs& args)
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kName);
    const char status = (mutex && GetLastError() == ERROR_SUCCESS) ? 'y' : 'n';
    if (write(args.fd("ready"), &status, 1) != 1)
        return 2;
    char go = 0;
    return read(args.fd("release"), &go, 1) == 1 ? 0 : 3;
}
const test::ChildRole g_holdMutexRole{"named-mutex-holder", &lf_holdTheMutex};

// Runs a child process that creates the mutex and, while holding it, waits for one byte from us.
class HoldingChild {
public:
    HoldingChild() : m_child(g_holdMutexRole, test::RoleStart().hand("ready", m_ready.writeEnd()).hand("release", m_release.readEnd()))
    {
        m_ready.closeWriteEnd();
        m_release.closeReadEnd();
        m_childStatus = m_ready.readByte(std::chrono::seconds(20)).value_or(0); // 0: the child said nothing
    }
    ~HoldingChild() { finish(); }
    HoldingChild(const HoldingChild&) = delete;
    HoldingChild& operator=(const HoldingChild&) = delete;
    void finish()
    {
        if (m_release.writeEnd() < 0)
            return;
        const char go = 'g';
        (void)!write(m_release.writeEnd(), &go, 1);
        m_release.closeWriteEnd();
        m_child.waitForExit(std::chrono::seconds(20));
    }
    bool childCreatedIt() const { return m_childStatus == 'y'; }

private:
    test::Pipe m_ready;
    test::Pipe m_release;
    test::RoleChild m_child;
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
