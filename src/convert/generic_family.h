#pragma once
// The CSS generic family a page's text falls back to when the reader's browser lacks the
// document's face, which is nearly always: faces come from the PDF, and a browser that does
// not know a face uses its default serif face for all of them, so sans-serif headings and
// program listings would lose their look.
#include <string_view>

namespace qm {

// "serif", "sans-serif" or "monospace" from the face's name; empty when the name tells
// nothing (the browser's default then stays, as before).
std::string_view genericFontFamily(std::string_view face);

}  // namespace qm
