#pragma once
// Owns one reference to a stream: the stream is freed when its last reference goes, and no
// call site counts references by hand.
#include <utility>

#include "streams/stream.h"

namespace qm {

template <typename T = Stream>
class StreamRef {
public:
    StreamRef() = default;
    // Takes over the caller's reference to `stream` (may be null).
    explicit StreamRef(T* stream) : stream_(stream) {}
    StreamRef(const StreamRef& other) : stream_(other.stream_) {
        if (stream_) stream_->incRef();
    }
    StreamRef(StreamRef&& other) noexcept : stream_(std::exchange(other.stream_, nullptr)) {}
    StreamRef& operator=(StreamRef other) noexcept {
        std::swap(stream_, other.stream_);
        return *this;
    }
    ~StreamRef() {
        if (stream_) stream_->decRef();
    }

    T* get() const { return stream_; }
    T* operator->() const { return stream_; }
    explicit operator bool() const { return stream_ != nullptr; }

private:
    T* stream_ = nullptr;
};

}  // namespace qm
