#pragma once
// Sets or unsets an environment variable for one test and puts the old value back afterwards.
#include <cstdlib>
#include <optional>
#include <string>

namespace zyn::test {

// Sets the variable, or removes it given nothing. Windows' C runtime cannot hold an empty value: there
// an empty one removes the variable too.
inline void setEnvironmentVariable(const std::string& name, const std::optional<std::string>& value)
{
#ifdef _WIN32
    _putenv_s(name.c_str(), value ? value->c_str() : "");
#else
    if (value)
        setenv(name.c_str(), value->c_str(), 1);
    else
        unsetenv(name.c_str());
#endif
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_previous = old;
        setEnvironmentVariable(m_name, value);
    }
    ~ScopedEnv() { setEnvironmentVariable(m_name, m_previous); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_previous;
};

} // namespace zyn::test
