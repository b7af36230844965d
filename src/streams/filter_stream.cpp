#include "streams/filter_stream.h"

#include "core/report_error.h"

namespace qm {

void FilterStream::setPos(long) { reportError(-1, "Internal: called setPos() on FilterStream"); }

std::unique_ptr<PdfString> FilterStream::describeWith(int indent, const char* part) {
    auto text = below_->describeFilter(indent);
    if (!text) return nullptr;
    for (int i = 0; i < indent; ++i) text->append(' ');
    text->append(part);
    return text;
}

}  // namespace qm
