#include "base/log.h"
#include "base/version.h"
#include "platform/system/clock.h"
#include "platform/system/error_text.h"
#include "platform/system/full_disk.h"
#include "platform/system/lock_retry.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace zyn {
namespace {

using test::readLines;

// A file the program can read but not write, for as long as this lives: on Windows a file that another
// program holds open and lets others only read, on Linux a copy of a program that runs (the tests may
// run as root, whom no permission stops, but no one may write a running program's file).
class UnwritableFile {
public:
    explicit UnwritableFile(std::filesystem::path file) : m_file(std::move(file))
    {
#ifdef _WIN32
        test::writeText(m_file, "held");
        m_held = CreateFileW(m_file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(m_held, INVALID_HANDLE_VALUE);
#else
        std::filesystem::copy_file("/bin/sleep", m_file);
        const std::string program = std::filesystem::absolute(m_file).string();
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("600"), nullptr};
        // posix_spawn returns once the child runs the program.
        EXPECT_EQ(posix_spawn(&m_child, program.c_str(), nullptr, nullptr, argv, environ), 0);
#endif
    }
    ~UnwritableFile()
    {
#ifdef _WIN32
        CloseHandle(m_held);
#else
        if (m_child > 0) { // never kill(-1): that would end every process the account may signal
            kill(m_child, SIGKILL);
            waitpid(m_child, nullptr, 0);
        }
#endif
        std::filesystem::remove(m_file);
    }
    UnwritableFile(const UnwritableFile&) = delete;
    UnwritableFile& operator=(const UnwritableFile&) = delete;
    // Why an open for writing is refused.
    static std::error_code reason()
    {
#ifdef _WIN32
        return std::error_code(ERROR_SHARING_VIOLATION, std::system_category());
#else
        return std::error_code(ETXTBSY, std::generic_category());
#endif
    }

private:
    std::filesystem::path m_file;
#ifdef _WIN32
    HANDLE m_held = INVALID_HANDLE_VALUE;
#else
    pid_t m_child = -1;
#endif
};

// A file held past every retry is refused without waiting the patience out for real.
void lf_noWait(std::chrono::milliseconds) {}

#ifndef _WIN32
// A file's permission bits as Linux shows them.
std::string lf_mode(std::filesystem::perms perms) { return fmt::format("{:o}", static_cast<unsigned>(perms)); }
std::string lf_mode(const std::filesystem::path& file) { return lf_mode(std::filesystem::status(file).permissions()); }
#endif

class LogFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_setClock(&clock);
        gf_setLockWait(&lf_noWait);
    }
    void TearDown() override
    {
        gf_closeLog();
        gf_setLockWait(nullptr);
        gf_setClock(nullptr);
    }
    test::TempDir dir;
    test::ScopedCwd cwd{dir.path()};
    ManualClock clock{0};
};

TEST_F(LogFiles, FirstRunWritesOnlyTheHeader)
{
    gf_openLog();
    const auto lines = readLines("Log.txt");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Thu Jan 01 00:00:00 1970 (utc) Tarvo version " + gf_versionToString(g_programVersion) +
                            " for MSFS 2020/2024");
    EXPECT_FALSE(std::filesystem::exists("Log0.txt"));
}

TEST_F(LogFiles, ThreeRunsKeepTwoGenerations)
{
    for (const char* run : {"first", "second", "third"}) {
        gf_openLog();
        gf_log(run);
        gf_closeLog();
    }
    EXPECT_EQ(readLines("Log00.txt").at(1), "first");
    EXPECT_EQ(readLines("Log0.txt").at(1), "second");
    EXPECT_EQ(readLines("Log.txt").at(1), "third");
}

TEST_F(LogFiles, PrefixesAndDroppedLines)
{
    gf_log("before open");
    gf_openLog();
    gf_logError("x");
    gf_logIndented("y");
    gf_closeLog();
    gf_log("after close");
    const auto lines = readLines("Log.txt");
    ASSERT_EQ(lines.size(), 4u); // header, error, indented, closing time
    EXPECT_EQ(lines[1], "===> x");
    EXPECT_EQ(lines[2], "          y");
}

TEST_F(LogFiles, BackupNameGoesBeforeTheFileExtensionNotAFolderDot)
{
    test::writeText("run.2024/Log.txt", "old");
    gf_backupFile("run.2024/Log.txt");
    EXPECT_EQ(test::readText("run.2024/Log0.txt"), "old");
    EXPECT_FALSE(std::filesystem::exists("run0.2024"));
}

TEST_F(LogFiles, BackupNameIgnoresDotsInFolders)
{
    std::filesystem::create_directory("a.dir");
    test::writeText("a.dir/noext", "x");
    gf_backupFile("a.dir/noext");
    EXPECT_FALSE(std::filesystem::exists("a0.dir/noext"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("a.dir"), {}), 1);
}

TEST_F(LogFiles, BackupThatCannotBeWrittenIsLoggedNotThrown)
{
    test::writeText("regcodes.xml", "new");
    std::filesystem::create_directory("regcodes0.xml"); // where the copy would go
    gf_openLog();
    EXPECT_FALSE(gf_backupFile("regcodes.xml"));
    gf_closeLog();
    EXPECT_EQ(test::readText("regcodes.xml"), "new");
    const auto lines = readLines("Log.txt");
    EXPECT_TRUE(std::ranges::any_of(lines, [](const std::string& l) { return l.starts_with("===> backup of regcodes"); }));
}

// A backup that cannot be made stops the opening before the previous log is truncated, and before
// either backup moves. The start shows the system's reason as it shows a log that cannot be written.
TEST_F(LogFiles, FailedBackupThrowsAndKeepsThePreviousLog)
{
    struct Row {
        const char* name;
        std::function<std::unique_ptr<UnwritableFile>()> lay;
        std::string shown = {}; // the error as the start shows it; empty: not checked
    };
    const Row rows[] = {
        {"Log0.txt cannot be copied",
         [] {
             std::filesystem::create_directory("Log0.txt");
             return std::unique_ptr<UnwritableFile>();
         }},
        // It used to be copied to Log00.txt before the copy over it failed.
        {"Log0.txt cannot be written", [] { return std::make_unique<UnwritableFile>("Log0.txt"); },
         "filesystem error: open: " + gf_errorText(UnwritableFile::reason()) + " [Log0.txt]"},
        // The log's names are relative to the program folder.
        {"the disk is full",
         [] {
             test::writeText("Log0.txt", "older run\n");
             gf_setFullDisk(FullDisk{{}, 0});
             return std::unique_ptr<UnwritableFile>();
         }},
        {"the disk has room for the older copy only",
         [] {
             test::writeText("Log0.txt", "older run\n");
             gf_setFullDisk(FullDisk{{}, 20});
             return std::unique_ptr<UnwritableFile>();
         }},
    };
    for (const Row& row : rows) {
        test::writeText("Log.txt", "previous run\n" + std::string(100, '.'));
        test::writeText("Log00.txt", "oldest run\n");
        auto unwritable = row.lay();
        try {
            gf_openLog();
            ADD_FAILURE() << row.name << ": the log opened";
        } catch (const std::filesystem::filesystem_error& e) {
            if (!row.shown.empty()) {
                EXPECT_EQ(gf_exceptionText(e), row.shown) << row.name;
            }
        }
        gf_setFullDisk(std::nullopt);
        EXPECT_FALSE(gf_logIsOpen()) << row.name;
        EXPECT_EQ(test::readText("Log.txt"), "previous run\n" + std::string(100, '.')) << row.name;
        EXPECT_EQ(test::readText("Log00.txt"), "oldest run\n") << row.name;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 3) << row.name;
        if (!unwritable)
            std::filesystem::remove_all("Log0.txt");
    }
}

#ifdef _WIN32
// A log that another program holds for a moment (a virus scanner reading what the last run wrote),
// sharing only its reading, let go at the first wait of the step it blocks; then the next one, when
// one is given, held until the next wait.
HANDLE g_heldLog = INVALID_HANDLE_VALUE;
const char* g_heldNext = nullptr;

HANDLE lf_holdLog(const char* name)
{
    return CreateFileW(std::filesystem::path(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

void lf_letGoOfLog(std::chrono::milliseconds = {})
{
    if (g_heldLog != INVALID_HANDLE_VALUE)
        CloseHandle(g_heldLog);
    g_heldLog = INVALID_HANDLE_VALUE;
    if (const char* next = std::exchange(g_heldNext, nullptr))
        g_heldLog = lf_holdLog(next);
}
#endif

// The log and its backups are the program's own files: marks that a backup tool or a copy from a CD
// leaves on them, or a brief hold by another program, never stop a start, and the backups still move
// on. Each backup may be read by whom its source could be: a private log's backups stay private.
TEST_F(LogFiles, MarkedLogsNeverStopTheStart)
{
    using test::FileMark;
    const struct {
        const char* what;
        std::vector<std::string> marked;
        FileMark mark;
        bool earlier = true;        // backups of earlier runs are there
        const char* held = nullptr; // held for a moment, sharing only its reading
        const char* heldNext = nullptr; // then held for a moment in its place
    } cases[] = {
        {"read-only backups", {"Log0.txt", "Log00.txt"}, FileMark::ReadOnly},
        {"a read-only log", {"Log.txt"}, FileMark::ReadOnly},
        {"hidden backups", {"Log0.txt", "Log00.txt"}, FileMark::Hidden},
        {"a hidden log", {"Log.txt"}, FileMark::Hidden},
        {"all three read-only and hidden", {"Log.txt", "Log0.txt", "Log00.txt"}, FileMark::ReadOnlyHidden},
        {"a private log", {"Log.txt"}, FileMark::Private},
        {"a private backup", {"Log0.txt"}, FileMark::Private},
        {"a private log's first backup", {"Log.txt"}, FileMark::Private, false},
#ifdef _WIN32
        {"Log0.txt held for a moment", {}, FileMark::None, true, "Log0.txt"},
        {"Log.txt held for a moment", {}, FileMark::None, true, "Log.txt"},
        // Taken once the oldest backup is being replaced, after the log's own check.
        {"Log.txt held between its check and its opening", {}, FileMark::None, true, "Log00.txt", "Log.txt"},
#endif
    };
    namespace fs = std::filesystem;
    for (const auto& c : cases) {
        for (const char* name : {"Log.txt", "Log0.txt", "Log00.txt"})
            fs::remove(name);
        if (c.earlier) {
            test::writeText("Log00.txt", "oldest\n");
            test::writeText("Log0.txt", "older\n");
        }
        test::writeText("Log.txt", "previous\n");
        for (const auto& name : c.marked)
            test::markFile(name, c.mark);
#ifndef _WIN32
        std::map<std::string, fs::perms> before; // what each backup's source allowed, its owner's write added
        for (const char* name : {"Log.txt", "Log0.txt"})
            if (fs::exists(name))
                before[name] = fs::status(name).permissions() | fs::perms::owner_write;
#endif
#ifdef _WIN32
        if (c.held) {
            g_heldLog = lf_holdLog(c.held);
            g_heldNext = c.heldNext;
            EXPECT_NE(g_heldLog, INVALID_HANDLE_VALUE) << c.what;
            gf_setLockWait(&lf_letGoOfLog);
        }
#endif
        EXPECT_NO_THROW(gf_openLog()) << c.what;
#ifdef _WIN32
        EXPECT_EQ(g_heldLog, INVALID_HANDLE_VALUE) << c.what << ": the hold was not waited out";
        EXPECT_EQ(g_heldNext, nullptr) << c.what << ": the next hold was not taken";
        gf_setLockWait(&lf_noWait);
        g_heldNext = nullptr;
        lf_letGoOfLog();
#endif
        gf_log("this run");
        gf_closeLog();
        if (c.earlier) {
            EXPECT_EQ(test::readText("Log00.txt"), "older\n") << c.what;
        } else {
            EXPECT_FALSE(fs::exists("Log00.txt")) << c.what;
        }
        EXPECT_EQ(test::readText("Log0.txt"), "previous\n") << c.what;
        const auto lines = readLines("Log.txt");
        EXPECT_EQ(lines.size() > 1 ? lines[1] : "", "this run") << c.what;
        for (const char* name : {"Log.txt", "Log0.txt", "Log00.txt"}) {
            if (fs::exists(name)) {
                EXPECT_TRUE(test::isPlainFile(name)) << c.what << ": " << name;
            }
        }
#ifndef _WIN32
        EXPECT_EQ(lf_mode("Log0.txt"), lf_mode(before.at("Log.txt"))) << c.what;
        if (c.earlier) {
            EXPECT_EQ(lf_mode("Log00.txt"), lf_mode(before.at("Log0.txt"))) << c.what;
        }
#endif
    }
}

// Each such start used to move the backups on, until both were copies of the stale log.
TEST_F(LogFiles, UnwritableLogThrowsWithPathAndReasonAndMovesNoBackup)
{
    test::writeText("Log0.txt", "older\n");
    test::writeText("Log00.txt", "oldest\n");
    const UnwritableFile log("Log.txt");
    EXPECT_THROW(
        {
            try {
                gf_openLog();
            } catch (const std::runtime_error& e) {
                EXPECT_EQ(e.what(), "Failed to write file Log.txt: " + gf_errorText(UnwritableFile::reason()));
                throw;
            }
        },
        std::runtime_error);
    EXPECT_EQ(test::readText("Log0.txt"), "older\n");
    EXPECT_EQ(test::readText("Log00.txt"), "oldest\n");
    gf_log("dropped"); // must neither crash nor block
}

TEST(LogThreads, LinesNeverInterleave)
{
    test::TempDir dir;
    test::ScopedCwd cwd{dir.path()};
    gf_openLog();
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                gf_logf("writer {} line {}", t, i);
        });
    for (auto& w : writers)
        w.join();
    gf_closeLog();
    const auto lines = readLines("Log.txt");
    ASSERT_EQ(lines.size(), 1u + 800u + 1u);
    for (std::size_t i = 1; i + 1 < lines.size(); ++i)
        ASSERT_EQ(lines[i].rfind("writer ", 0), 0u) << lines[i];
}

} // namespace
} // namespace zyn
