#pragma once
// A private folder tree per test: HOME, TMPDIR and the resource root point into it (and
// XDG_CONFIG_HOME is unset) while the test runs, so configuration and data-file searches see only what the test wrote.
#include <gtest/gtest.h>

#include <string>

namespace qm::test {

class FontTestEnv : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes `content` to root/relative (creating folders); returns the full path.
    std::string write(const std::string& relative, const std::string& content);
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }

    std::string root_;  // root_/home, root_/data/Resource/CMap, root_/tmp exist

private:
    std::string oldHome_, oldTmp_, oldXdg_, oldCwd_;
    bool hadHome_ = false, hadTmp_ = false, hadXdg_ = false;
};

}  // namespace qm::test
