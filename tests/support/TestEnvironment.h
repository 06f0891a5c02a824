#pragma once

// Temporary folders for tests: a scratch folder removed at the end, and a
// sandbox that points HOME and XDG_CONFIG_HOME there and makes it the working
// directory, so that nothing a test does touches the user's files.
#include <string>

class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& relative) const { return m_path + "/" + relative; }

private:
    std::string m_path;
};

// HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and the working directory moved into
// a fresh temporary folder for the sandbox's lifetime; all restored afterwards.
class TestSandbox
{
public:
    TestSandbox();
    ~TestSandbox();

    const std::string& Path() const { return m_dir.Path(); }
    std::string File(const std::string& relative) const { return m_dir.File(relative); }

private:
    TempDir m_dir;
    std::string m_oldHome, m_oldXdg, m_oldXdgData, m_oldCwd;
    bool m_hadXdg = false;
    bool m_hadXdgData = false;
};

std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// Creates the folders of a path, like mkdir -p.
void MakeDirs(const std::string& path);
