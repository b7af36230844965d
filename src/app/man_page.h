#pragma once
// The manual page vellumix(1), written from the same switch table as --help so the two never
// disagree.
#include <string>

namespace qm {

// The page in man(7) markup.
std::string manPageText();

// `text` made safe for a man page line: backslashes, hyphens and a leading dot or quote.
std::string roffEscape(const std::string& text);

}  // namespace qm
