#include "streams/embed_stream.h"

#include "core/report_error.h"
#include "streams/filter_stream.h"

namespace qm {

void EmbedStream::giveBack(const unsigned char* bytes, int count) {
    if (count <= 0) return;
    // What is still unread of an earlier hand-back comes after the new bytes.
    std::vector<unsigned char> rest(back_.begin() + static_cast<long>(backPos_), back_.end());
    back_.assign(bytes, bytes + count);
    back_.insert(back_.end(), rest.begin(), rest.end());
    backPos_ = 0;
}

std::vector<unsigned char> EmbedStream::takeUnread() {
    std::vector<unsigned char> rest(back_.begin() + static_cast<long>(backPos_), back_.end());
    back_.clear();
    backPos_ = 0;
    return rest;
}

void EmbedStream::finishChain(Stream* top) {
    if (top == this) return;
    if (!started_) top->reset();
    unsigned char buffer[4096];
    for (Stream* level = top; level && level != this;) {
        long drained = 0;
        for (int got; drained < kMaxDrain && (got = level->readBlock(buffer, sizeof buffer)) > 0;) drained += got;
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
