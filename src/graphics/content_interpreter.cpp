#include "graphics/content_interpreter.h"

#include <cstdio>
#include <cstring>

#include "core/pdf_array.h"
#include "core/pdf_parser.h"
#include "core/report_error.h"
#include "render/output_device.h"
#include "streams/stream.h"

namespace qm {

ContentInterpreter::ContentInterpreter(ObjectResolver* xref, OutputDevice* device, int pageNumber,
                                       PdfDict* resources, double dpi, const PageBox& pageBox, bool crop,
                                       const PageBox& cropBox, int rotate, bool traceOperators, DocumentFontCache* fonts)
    : xref_(xref),
      device_(device),
      ownFonts_(fonts ? nullptr : std::make_unique<DocumentFontCache>()),
      fonts_(fonts ? fonts : ownFonts_.get()),
      traceOperators_(traceOperators) {
    pushResources(resources);
    state_ = std::make_unique<GraphicsState>(dpi, pageBox, rotate, device_->isUpsideDown());
    device_->beginPage(pageNumber, *state_);
    device_->setBaseTransform(state_->transform());
    device_->updateAll(*state_);
    std::memcpy(baseMatrix_, state_->transform(), sizeof baseMatrix_);
    if (crop) {
        state_->moveTo(cropBox.x1, cropBox.y1);
        state_->lineTo(cropBox.x2, cropBox.y1);
        state_->lineTo(cropBox.x2, cropBox.y2);
        state_->lineTo(cropBox.x1, cropBox.y2);
        state_->closePath();
        state_->clipToPath();
        device_->clip(*state_);
        state_->clearPath();
    }
}

ContentInterpreter::~ContentInterpreter() {
    saveFloor_ = 0;
    while (saveDepth_ > 0) restoreState();
    device_->endPage();
    while (resources_) popResources();
}

void ContentInterpreter::pushResources(PdfDict* resources) {
    resources_ = std::make_unique<ResourceScope>(xref_, resources, std::move(resources_), fonts_,
                                                 [this] { return spendWork(kFontBuildWork); });
}

void ContentInterpreter::popResources() {
    resources_ = resources_->takeNext();
    // Fonts of the scope just left must not stay with the device.
    fontChanged_ = true;
}

void ContentInterpreter::saveState() {
    device_->saveState(*state_);
    state_ = GraphicsState::save(std::move(state_));
    ++saveDepth_;
}

void ContentInterpreter::restoreState() {
    if (saveDepth_ > saveFloor_) {
        state_ = GraphicsState::restore(std::move(state_));
        --saveDepth_;
    }
    device_->restoreState(*state_);
    // The restored state may hold another font than the one the device was last given.
    fontChanged_ = true;
}

long ContentInterpreter::position() const {
    return parser_ ? parser_->lexer()->position() : -1;
}

void ContentInterpreter::clipToRect(double x1, double y1, double x2, double y2) {
    state_->moveTo(x1, y1);
    state_->lineTo(x2, y1);
    state_->lineTo(x2, y2);
    state_->lineTo(x1, y2);
    state_->closePath();
    state_->clipToPath();
    device_->clip(*state_);
    state_->clearPath();
}

void ContentInterpreter::run(const PdfObject& contents) { runContents(contents, true); }

void ContentInterpreter::runContents(const PdfObject& contents, bool topLevel) {
    if (contents.isArray()) {
        PdfArray* a = contents.getArray();
        for (int i = 0; i < a->length(); ++i) {
            if (!a->get(i).isStream()) {
                reportError(-1, "Weird page contents");
                return;
            }
        }
    } else if (!contents.isStream()) {
        reportError(-1, "Weird page contents");
        return;
    }

    PdfParser parser(xref_, std::make_unique<PdfLexer>(xref_, contents));
    PdfParser* outerParser = parser_;
    parser_ = &parser;

    PdfObject args[kMaxArgs];
    int count = 0;
    int sinceCheckpoint = 0;
    for (;;) {
        if (!spendWork()) break;
        PdfObject obj = parser.readObject();
        if (obj.isEof()) break;
        if (!obj.isCmd()) {
            if (count < kMaxArgs) {
                args[count++] = std::move(obj);
            } else {
                reportError(position(), "Too many args in content stream");
                if (traceOperators_) {
                    std::printf("throwing away arg: ");
                    obj.dump(stdout);
                    std::printf("\n");
                }
            }
            continue;
        }
        if (traceOperators_) {
            obj.dump(stdout);
            for (int i = 0; i < count; ++i) {
                std::printf(" ");
                args[i].dump(stdout);
            }
            std::printf("\n");
            std::fflush(stdout);
        }
        ++operatorCount_;
        execute(obj.getCmd(), args, count);
        for (int i = 0; i < count; ++i) args[i].release();
        count = 0;
        if (++sinceCheckpoint == kCheckpointEvery) {
            device_->checkpoint();
            sinceCheckpoint = 0;
        }
    }
    if (count > 0) {
        reportError(position(), "Leftover args in content stream");
        if (traceOperators_) {
            std::printf("%d leftovers:", count);
            for (int i = 0; i < count; ++i) {
                std::printf(" ");
                args[i].dump(stdout);
            }
            std::printf("\n");
        }
        for (int i = 0; i < count; ++i) args[i].release();
    }
    if (topLevel && sinceCheckpoint > 0) device_->checkpoint();
    parser_ = outerParser;
}

bool ContentInterpreter::spendWork(long units) {
    if (work_ >= workBudget_ || device_->outOfWork()) return false;
    work_ = units >= workBudget_ - work_ ? workBudget_ : work_ + units;
    if (work_ == workBudget_) {
        reportError(position(), "Page content too complex; the rest of the page is not drawn");
        return false;
    }
    return true;
}

bool ContentInterpreter::checkArg(const PdfObject& arg, ArgCheck check) const {
    switch (check) {
        case ArgBool: return arg.isBool();
        case ArgInt: return arg.isInt();
        case ArgNum: return arg.isNum();
        case ArgString: return arg.isString();
        case ArgName: return arg.isName();
        case ArgArray: return arg.isArray();
        case ArgProps: return arg.isDict() || arg.isName();
        case ArgColorOrName: return arg.isNum() || arg.isName();
        case ArgNone: return false;
    }
    return false;
}

void ContentInterpreter::execute(const char* name, PdfObject* args, int count) {
    const OperatorEntry* op = findOperator(name);
    if (!op) {
        if (compatibilityDepth_ == 0) reportError(position(), "Unknown operator '%s'", name);
        return;
    }
    if (op->argCount >= 0) {
        if (count != op->argCount) {
            reportError(position(), "Wrong number (%d) of args to '%s' operator", count, name);
            return;
        }
    } else if (count > -op->argCount) {
        reportError(position(), "Too many (%d) args to '%s' operator", count, name);
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (!checkArg(args[i], op->checks[i])) {
            reportError(position(), "Arg #%d to '%s' operator is wrong type (%s)", i, name, args[i].kindName());
            return;
        }
    }
    if (type3Depth_ > 0 && ignoredInGlyph(name)) return;
    (this->*op->handler)(args, count);
}

const ContentInterpreter::OperatorEntry* ContentInterpreter::findOperator(const char* name) {
    int n = 0;
    const OperatorEntry* table = operatorTable(&n);
    int a = -1, b = n;
    // Invariant: table[a].name < name < table[b].name, with a = -1 and b = n as sentinels.
    while (b - a > 1) {
        int m = (a + b) / 2;
        int cmp = std::strcmp(table[m].name, name);
        if (cmp < 0)
            a = m;
        else if (cmp > 0)
            b = m;
        else
            return &table[m];
    }
    return nullptr;
}

}  // namespace qm
