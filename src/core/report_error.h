#pragma once
// The engine's single diagnostic sink. Callers report and carry on with their own recovery;
// nothing is shown unless QUILLMARK_DEBUG=1 is set in the environment or a capture is active.
#include <string>
#include <vector>

namespace qm {

void reportError(long position, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Collects every message reported while it is alive (innermost capture wins). Tests use it
// to assert the exact texts; positions are kept beside the messages.
class ErrorCapture {
public:
    ErrorCapture();
    ~ErrorCapture();
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;

    const std::vector<std::string>& messages() const { return messages_; }
    const std::vector<long>& positions() const { return positions_; }
    bool contains(const std::string& message) const;
    int count(const std::string& message) const;
    void clear();

private:
    friend void reportError(long, const char*, ...);
    ErrorCapture* previous_;
    std::vector<std::string> messages_;
    std::vector<long> positions_;
};

}  // namespace qm
