#include "TestEnvironment.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <unistd.h>

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "orvane-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Read-only folders made by a test must not stop the clean-up.
    for (auto it = fs::recursive_directory_iterator(m_path, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

TestSandbox::TestSandbox()
{
    if (const char* h = std::getenv("HOME"))
        m_oldHome = h;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"))
    {
        m_hadXdg = true;
        m_oldXdg = x;
    }
    if (const char* d = std::getenv("XDG_DATA_HOME"))
    {
        m_hadXdgData = true;
        m_oldXdgData = d;
    }
    m_oldCwd = fs::current_path().string();
    MakeDirs(m_dir.File(".config"));
    ::setenv("HOME", m_dir.Path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", m_dir.File(".config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", m_dir.File(".local/share").c_str(), 1);
    fs::current_path(m_dir.Path());
}

TestSandbox::~TestSandbox()
{
    std::error_code ec;
    fs::current_path(m_oldCwd, ec);
    ::setenv("HOME", m_oldHome.c_str(), 1);
    if (m_hadXdg)
        ::setenv("XDG_CONFIG_HOME", m_oldXdg.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
    if (m_hadXdgData)
        ::setenv("XDG_DATA_HOME", m_oldXdgData.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

void MakeDirs(const std::string& path)
{
    std::error_code ec;
    fs::create_directories(path, ec);
}
