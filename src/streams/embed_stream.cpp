#include "streams/embed_stream.h"

#include "core/report_error.h"

namespace qm {

void EmbedStream::setPos(long) { reportError(-1, "Internal: called setPos() on EmbedStream"); }

SourceStream* EmbedStream::makeSubStream(long, long, PdfObject) {
    reportError(-1, "Internal: called makeSubStream() on EmbedStream");
    return nullptr;
}

long EmbedStream::getStart() {
    reportError(-1, "Internal: called getStart() on EmbedStream");
    return 0;
}

void EmbedStream::moveStart(long) { reportError(-1, "Internal: called moveStart() on EmbedStream"); }

}  // namespace qm
