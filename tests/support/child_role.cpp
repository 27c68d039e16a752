#include "tests/support/child_role.h"

#include "tests/support/guard_time.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

extern char** environ;

namespace zyn::test {

namespace {

constexpr const char* kRoleVariable = "TARVO_TEST_ROLE";
constexpr std::string_view kValuePrefix = "TARVO_TEST_ROLE_";

std::map<std::string, RoleRun>& lf_roles()
{
    static std::map<std::string, RoleRun> roles;
    return roles;
}

// The role's values, taken out of the environment: what the role starts does not inherit them.
std::map<std::string, std::string> lf_takeValues()
{
    std::map<std::string, std::string> values;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text = *entry;
        const auto equals = text.find('=');
        if (text.starts_with(kValuePrefix) && equals != std::string_view::npos)
            values.emplace(text.substr(kValuePrefix.size(), equals - kValuePrefix.size()), text.substr(equals + 1));
    }
    for (const auto& [name, value] : values)
        unsetenv((std::string(kValuePrefix) + name).c_str());
    unsetenv(kRoleVariable);
    return values;
}

int lf_runRole(const std::string& name)
{
    RoleArgs args(lf_takeValues());
    const auto role = lf_roles().find(name);
    if (role == lf_roles().end()) {
        std::fprintf(stderr, "no test role named \"%s\"\n", name.c_str());
        return kRoleNotRun;
    }
    try {
        return role->second(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "test role \"%s\": %s\n", name.c_str(), e.what());
        return kRoleThrew;
    }
}

// In a child started for a role, runs the role in place of the test (before its fixture is made) and
// ends the process: the test's own body never runs there.
class RoleRunner : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        const char* role = std::getenv(kRoleVariable);
        if (role == nullptr)
            return;
        const int code = lf_runRole(role);
        std::fflush(nullptr);
        _exit(code);
    }
    // A child whose filter named no test never ran its role: it must not pass for one that did.
    void OnTestProgramEnd(const ::testing::UnitTest&) override
    {
        if (const char* role = std::getenv(kRoleVariable)) {
            std::fprintf(stderr, "no test ran the test role \"%s\"\n", role);
            std::fflush(nullptr);
            _exit(kRoleNotRun);
        }
    }
};

const bool g_roleRunnerInstalled = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new RoleRunner);
    return true;
}();

} // namespace

const std::string& RoleArgs::value(const std::string& name) const
{
    const auto it = m_values.find(name);
    if (it == m_values.end())
        throw std::out_of_range("the test role was given no \"" + name + "\"");
    return it->second;
}

int RoleArgs::fd(const std::string& name) const
{
    return std::stoi(value(name));
}

RoleStart& RoleStart::value(const std::string& name, const std::string& text)
{
    values[name] = text;
    return *this;
}

RoleStart& RoleStart::hand(const std::string& name, int fd)
{
    handed[name] = fd;
    return *this;
}

ChildRole::ChildRole(std::string name, RoleRun run) : m_name(std::move(name))
{
    if (!lf_roles().emplace(m_name, run).second) {
        std::fprintf(stderr, "two test roles are named \"%s\"\n", m_name.c_str());
        std::abort();
    }
}

namespace {

ChildStart lf_roleStart(const ChildRole& role, const RoleStart& start)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (test == nullptr)
        throw std::logic_error("a test role is started by a running test");
    ChildStart child;
    child.program = "/proc/self/exe";
    child.arguments = {std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name()};
    child.environment = {{kRoleVariable, role.name()}};
    // A shard of the run or a report file of the parent's is not the child's.
    child.unset = {"GTEST_OUTPUT", "GTEST_TOTAL_SHARDS", "GTEST_SHARD_INDEX", "GTEST_SHARD_STATUS_FILE"};
    child.quiet = true;
    for (const auto& [name, value] : start.values)
        child.environment[std::string(kValuePrefix) + name] = value;
    for (const auto& [name, fd] : start.handed) {
        const std::string variable = std::string(kValuePrefix) + name;
        if (child.environment.contains(variable))
            throw std::invalid_argument("a test role's value and descriptor are both named " + name);
        child.environment[variable] = std::to_string(3 + child.handed.size());
        child.handed.push_back(fd);
    }
    return child;
}

} // namespace

RoleChild::RoleChild(const ChildRole& role, const RoleStart& start) : ChildProcess(lf_roleStart(role, start)) {}

Pipe::Pipe()
{
    if (pipe2(m_ends, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe");
}

Pipe::~Pipe()
{
    closeReadEnd();
    closeWriteEnd();
}

void Pipe::closeReadEnd()
{
    if (m_ends[0] >= 0)
        close(m_ends[0]);
    m_ends[0] = -1;
}

void Pipe::closeWriteEnd()
{
    if (m_ends[1] >= 0)
        close(m_ends[1]);
    m_ends[1] = -1;
}

std::optional<char> Pipe::readByte(std::chrono::seconds timeout)
{
    pollfd ready{m_ends[0], POLLIN, 0};
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(guardTime(timeout)).count();
    char byte = 0;
    if (poll(&ready, 1, static_cast<int>(ms)) == 1 && read(m_ends[0], &byte, 1) == 1)
        return byte;
    return std::nullopt;
}

} // namespace zyn::test
