#include "core/report_error.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qm {

namespace {
ErrorCapture* activeCapture = nullptr;

bool debugOutputWanted() {
    static const bool wanted = [] {
        const char* v = std::getenv("QUILLMARK_DEBUG");
        return v && std::strcmp(v, "1") == 0;
    }();
    return wanted;
}
}  // namespace

void reportError(long position, const char* format, ...) {
    const bool debug = debugOutputWanted();
    if (!activeCapture && !debug) return;
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (activeCapture) {
        activeCapture->messages_.emplace_back(text);
        activeCapture->positions_.push_back(position);
    }
    if (debug) {
        if (position >= 0)
            std::fprintf(stderr, "Error (%ld): %s\n", position, text);
        else
            std::fprintf(stderr, "Error: %s\n", text);
    }
}

ErrorCapture::ErrorCapture() : previous_(activeCapture) { activeCapture = this; }
ErrorCapture::~ErrorCapture() { activeCapture = previous_; }

bool ErrorCapture::contains(const std::string& message) const { return count(message) > 0; }

int ErrorCapture::count(const std::string& message) const {
    int n = 0;
    for (const auto& m : messages_) n += (m == message);
    return n;
}

void ErrorCapture::clear() {
    messages_.clear();
    positions_.clear();
}

}  // namespace qm
