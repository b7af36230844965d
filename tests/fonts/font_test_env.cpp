#include "fonts/font_test_env.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "fonts/data_file.h"

namespace qm::test {

namespace fs = std::filesystem;

void FontTestEnv::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "qm-fonts-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    fs::create_directories(root_ + "/home");
    fs::create_directories(root_ + "/data/Resource/CMap");
    fs::create_directories(root_ + "/tmp");
    if (const char* h = std::getenv("HOME")) hadHome_ = true, oldHome_ = h;
    if (const char* t = std::getenv("TMPDIR")) hadTmp_ = true, oldTmp_ = t;
    if (const char* x = std::getenv("XDG_CONFIG_HOME")) hadXdg_ = true, oldXdg_ = x;
    ::unsetenv("XDG_CONFIG_HOME");
    oldCwd_ = fs::current_path().string();
    ::setenv("HOME", (root_ + "/home").c_str(), 1);
    ::setenv("TMPDIR", (root_ + "/tmp").c_str(), 1);
    setResourceRoot(root_ + "/data");
    fs::current_path(root_);
}

void FontTestEnv::TearDown() {
    fs::current_path(oldCwd_);
    setResourceRoot("");
    if (hadHome_) ::setenv("HOME", oldHome_.c_str(), 1); else ::unsetenv("HOME");
    if (hadTmp_) ::setenv("TMPDIR", oldTmp_.c_str(), 1); else ::unsetenv("TMPDIR");
    if (hadXdg_) ::setenv("XDG_CONFIG_HOME", oldXdg_.c_str(), 1); else ::unsetenv("XDG_CONFIG_HOME");
    std::error_code ec;
    fs::remove_all(root_, ec);
}

std::string FontTestEnv::write(const std::string& relative, const std::string& content) {
    std::string full = path(relative);
    fs::create_directories(fs::path(full).parent_path());
    std::ofstream(full, std::ios::binary) << content;
    return full;
}

}  // namespace qm::test
