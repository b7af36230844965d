// Marked-content and compatibility operators.
#include <cstdio>

#include "core/report_error.h"
#include "graphics/content_interpreter.h"
#include "graphics/marked_content.h"

namespace qm {

void ContentInterpreter::opBeginMarkedContent(PdfObject* args, int count) {
    MarkedContentStack::instance().push(args, count);
    if (traceOperators_) {
        std::printf("  marked content: %s ", args[0].getName());
        if (count == 2) args[1].dump(stdout);
        std::printf("\n");
    }
}

void ContentInterpreter::opEndMarkedContent(PdfObject*, int) { MarkedContentStack::instance().pop(); }

void ContentInterpreter::opMarkPoint(PdfObject* args, int count) {
    if (traceOperators_) {
        std::printf("  mark point: %s ", args[0].getName());
        if (count == 2) args[1].dump(stdout);
        std::printf("\n");
    }
}

void ContentInterpreter::opBeginIgnoreUndef(PdfObject*, int) { ++compatibilityDepth_; }

void ContentInterpreter::opEndIgnoreUndef(PdfObject*, int) {
    if (compatibilityDepth_ > 0) --compatibilityDepth_;
}

}  // namespace qm
