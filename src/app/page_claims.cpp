#include "app/page_claims.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace qm {

PageClaims::~PageClaims() {
    if (bytes_ != nullptr) ::munmap(bytes_, size_);
    if (fd_ >= 0) ::close(fd_);
}

bool PageClaims::map(int first) {
    void* at = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (at == MAP_FAILED) return false;
    bytes_ = static_cast<unsigned char*>(at);
    first_ = first;
    return true;
}

bool PageClaims::create(int first, int last) {
    if (active() || first < 1 || last < first) return false;
    size_ = static_cast<size_t>(last - first) + 1;
    fd_ = ::memfd_create("vellumix-page-claims", MFD_CLOEXEC);
    if (fd_ >= 0 && ::ftruncate(fd_, static_cast<off_t>(size_)) == 0 && map(first)) return true;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return false;
}

bool PageClaims::attach(int fd, int first, int last) {
    if (active() || fd < 0 || first < 1 || last < first) return false;
    struct stat st {};
    size_ = static_cast<size_t>(last - first) + 1;
    fd_ = fd;
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<size_t>(st.st_size) == size_ &&
                    map(first);
    ::close(fd_);
    fd_ = -1;
    return ok;
}

bool PageClaims::claim(int page) {
    if (!active()) return true;
    if (page < first_ || static_cast<size_t>(page - first_) >= size_) return false;
    return std::atomic_ref<unsigned char>(bytes_[page - first_]).exchange(1, std::memory_order_acq_rel) == 0;
}

}  // namespace qm
