#include "platform/system/output_transaction.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/system/file_ops.h"

namespace qm {

namespace {

std::string trimmedFolder(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path.empty() ? std::string(".") : path;
}

std::string reason(int errorNumber) { return std::strerror(errorNumber); }

}  // namespace

OutputTransaction::OutputTransaction(std::string destination) : destination_(trimmedFolder(std::move(destination))) {}

OutputTransaction::~OutputTransaction() { rollback(); }

bool OutputTransaction::begin() {
    rollback();
    error_.clear();
    written_.clear();
    // Each missing level is made and remembered, so a failed run can take back exactly
    // the folders it made and no folder the user had.
    for (size_t pos = destination_.find('/', 1);; pos = destination_.find('/', pos + 1)) {
        std::string level = destination_.substr(0, pos);
        struct stat st {};
        if (::stat(level.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) {
                error_ = "Couldn't create the folder '" + level + "': a file of that name is in the way";
                rollback();
                return false;
            }
        } else if (::mkdir(level.c_str(), 0777) == 0) {
            createdFolders_.push_back(level);
        } else if (errno != EEXIST) {
            error_ = "Couldn't create the folder '" + level + "': " + reason(errno);
            rollback();
            return false;
        }
        if (pos == std::string::npos) break;
    }
    std::string pattern = destination_ + "/.vellumix-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        error_ = "Couldn't write into the folder '" + destination_ + "': " + reason(errno);
        rollback();
        return false;
    }
    staging_ = pattern;
    open_ = true;
    return true;
}

void OutputTransaction::publishAs(const std::string& name, const std::string& finalPath) {
    renamed_.emplace_back(name, finalPath);
}

std::string OutputTransaction::finalPathOf(const std::string& name) const {
    for (const auto& [staged, target] : renamed_) {
        if (staged == name) return target;
    }
    return onlyNamed_ ? std::string() : destination_ + "/" + name;
}

bool OutputTransaction::commit() {
    if (!open_) {
        error_ = "Nothing to write into '" + destination_ + "'";
        return false;
    }
    std::vector<std::pair<std::string, std::string>> moves;
    DIR* dir = ::opendir(staging_.c_str());
    if (dir == nullptr) {
        error_ = "Couldn't read the folder '" + staging_ + "': " + reason(errno);
        rollback();
        return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string target = finalPathOf(name);
        if (!target.empty()) moves.emplace_back(staging_ + "/" + name, target);
    }
    ::closedir(dir);
    std::sort(moves.begin(), moves.end());

    for (const auto& [from, to] : moves) {
        struct stat st {};
        if (::lstat(to.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            error_ = "Couldn't write '" + to + "': a folder of that name is in the way";
        } else if (!replace_) {
            error_ = "'" + to + "' already exists (-r replaces it)";
        } else {
            continue;
        }
        rollback();
        return false;
    }
    written_.clear();
    for (const auto& [from, to] : moves) {
        if (::rename(from.c_str(), to.c_str()) != 0) {
            error_ = "Couldn't write '" + to + "': " + reason(errno);
            rollback();
            return false;
        }
        written_.push_back(to);
    }
    deleteFolderTree(staging_);
    staging_.clear();
    createdFolders_.clear();
    open_ = false;
    return true;
}

void OutputTransaction::rollback() {
    if (!staging_.empty() && isDirectory(staging_)) deleteFolderTree(staging_);
    staging_.clear();
    // Innermost first; a folder that holds anything (the user's or an earlier commit's) stays.
    for (auto it = createdFolders_.rbegin(); it != createdFolders_.rend(); ++it) ::rmdir(it->c_str());
    createdFolders_.clear();
    open_ = false;
}

}  // namespace qm
