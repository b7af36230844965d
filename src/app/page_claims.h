#pragma once
// Which pages of a file shared among processes someone has begun. Pages are handed to a page
// process a few ahead of its work, and the converting process draws the first page nobody
// has begun, which may be one a page process holds. Whoever claims a page first draws it:
// one byte per page, in memory both processes map.
#include <cstddef>
#include <string>

namespace qm {

class PageClaims {
public:
    PageClaims() = default;
    ~PageClaims();
    PageClaims(const PageClaims&) = delete;
    PageClaims& operator=(const PageClaims&) = delete;

    // New claims for pages first..last, shared with processes given fd(); false when the
    // system has no memory to share (the pages are then never taken back).
    bool create(int first, int last);
    // The claims another process created and passed as `fd` (which is closed); false for a
    // descriptor that is not such claims of pages first..last.
    bool attach(int fd, int first, int last);

    bool active() const { return bytes_ != nullptr; }
    // The descriptor to pass on; -1 once attached, or when inactive.
    int fd() const { return fd_; }
    // True for the first to claim the page (and always while inactive).
    bool claim(int page);

private:
    bool map(int first);

    int fd_ = -1;
    unsigned char* bytes_ = nullptr;
    size_t size_ = 0;
    int first_ = 0;
};

}  // namespace qm
