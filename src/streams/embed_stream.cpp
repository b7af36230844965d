#include "streams/embed_stream.h"

#include "core/report_error.h"
#include "streams/filter_stream.h"

namespace qm {

void EmbedStream::finishChain(Stream* top) {
    bool anyReadsAhead = false;
    for (Stream* level = top; level && level != this;) {
        anyReadsAhead = anyReadsAhead || level->readsAhead();
        auto* filter = dynamic_cast<FilterStream*>(level);
        level = filter ? filter->below() : nullptr;
    }
    // Starting a chain nobody read would make decoders that take their whole input at
    // reset swallow the page.
    if (!anyReadsAhead) return;
    if (!started_) top->reset();
    unsigned char buffer[4096];
    for (Stream* level = top; level && level != this;) {
        // Only a decoder that read ahead needs its end reached; the others stopped at the last
        // byte they used, and reading one without a sure end of data (a fax image without its
        // end-of-block code, say) could run on through the rest of the page.
        if (level->readsAhead()) {
            long drained = 0;
            for (int got; drained < kMaxDrain && (got = level->readBlock(buffer, sizeof buffer)) > 0;) drained += got;
        }
        auto* filter = dynamic_cast<FilterStream*>(level);
        level = filter ? filter->below() : nullptr;
    }
}

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
