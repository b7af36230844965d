#pragma once
// The files of one conversion, written so that the user's folder only ever holds the old
// output or the whole new one. Writers put their files into a private staging folder inside
// the destination; commit moves each into place with one rename (replacing a symbolic link
// that stands there, never writing through it). Anything short of a commit (a failure, a
// stop, an early return) removes the staging folder and every folder this transaction made,
// and touches nothing else: files and folders that were there before are never deleted.
#include <string>
#include <utility>
#include <vector>

namespace qm {

class OutputTransaction {
public:
    // `destination` is the folder that receives the files; it and missing folders above it
    // are made by begin().
    explicit OutputTransaction(std::string destination);
    ~OutputTransaction();  // rolls back unless committed
    OutputTransaction(const OutputTransaction&) = delete;
    OutputTransaction& operator=(const OutputTransaction&) = delete;

    // Makes the missing folders of the destination (remembering which) and the staging
    // folder. False with error() set.
    bool begin();

    const std::string& destination() const { return destination_; }
    // Where writers put their files; a file staged as NAME becomes destination/NAME.
    const std::string& stagingFolder() const { return staging_; }
    std::string staged(const std::string& name) const { return staging_ + "/" + name; }

    // The staged file `name` is published as `finalPath` instead (any folder that exists).
    void publishAs(const std::string& name, const std::string& finalPath);
    // Only the files named in publishAs are published; the other staged files are dropped.
    void publishOnlyNamed() { onlyNamed_ = true; }
    // Existing files under the published names may be replaced (the user agreed to it).
    void allowReplacing(bool allow) { replace_ = allow; }

    // Moves every staged file into place. Before the first move every target is checked: a
    // folder standing where a file should go, or an existing file while replacing is not
    // allowed, fails the commit with nothing moved. False with error() set (the staged files
    // are then removed as by rollback).
    bool commit();
    // Removes what this transaction made. Safe to call more than once.
    void rollback();

    // The published paths of the last commit, in the order they were moved.
    const std::vector<std::string>& written() const { return written_; }
    const std::string& error() const { return error_; }

private:
    std::string finalPathOf(const std::string& name) const;

    std::string destination_;
    std::string staging_;
    std::vector<std::string> createdFolders_;  // outermost first
    std::vector<std::pair<std::string, std::string>> renamed_;
    std::vector<std::string> written_;
    std::string error_;
    bool onlyNamed_ = false;
    bool replace_ = false;
    bool open_ = false;
};

}  // namespace qm
