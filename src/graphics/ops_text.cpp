// Text state, positioning and showing operators.
#include <cstdio>

#include "core/pdf_array.h"
#include "core/report_error.h"
#include "fonts/pdf_font.h"
#include "graphics/content_interpreter.h"
#include "render/output_device.h"

namespace qm {

void ContentInterpreter::opBeginText(PdfObject*, int) {
    state_->setTextMatrix(1, 0, 0, 1, 0, 0);
    state_->setLineOrigin(0, 0);
    state_->setCurrentPoint(0, 0);
    device_->updateTextMatrix(*state_);
    device_->updateTextPosition(*state_);
    fontChanged_ = true;
}

void ContentInterpreter::opSetCharSpacing(PdfObject* args, int) {
    state_->setCharSpace(args[0].getNum());
    device_->updateCharSpacing(*state_);
}

void ContentInterpreter::opSetWordSpacing(PdfObject* args, int) {
    state_->setWordSpace(args[0].getNum());
    device_->updateWordSpacing(*state_);
}

void ContentInterpreter::opSetHorizScaling(PdfObject* args, int) {
    state_->setHorizScaling(args[0].getNum() * 0.01);
    device_->updateHorizScaling(*state_);
    fontChanged_ = true;
}

void ContentInterpreter::opSetTextLeading(PdfObject* args, int) { state_->setLeading(args[0].getNum()); }

void ContentInterpreter::opSetTextRender(PdfObject* args, int) {
    state_->setRenderMode(args[0].getInt());
    device_->updateRenderMode(*state_);
}

void ContentInterpreter::opSetTextRise(PdfObject* args, int) {
    state_->setRise(args[0].getNum());
    device_->updateRise(*state_);
}

void ContentInterpreter::opSetFont(PdfObject* args, int) {
    const char* tag = args[0].getName();
    PdfFont* font = resources_->lookupFont(tag);
    if (!font) {
        reportError(position(), "Unknown font tag '%s'", tag);
        return;
    }
    if (traceOperators_) {
        std::printf("  font: tag=%s name='%s' %g\n", font->tag().text(),
                    font->name() ? font->name()->text() : "???", args[1].getNum());
        std::fflush(stdout);
    }
    state_->setFont(font, args[1].getNum());
    fontChanged_ = true;
}

void ContentInterpreter::moveText(double tx, double ty) {
    double x = state_->lineX() + tx, y = state_->lineY() + ty;
    state_->setLineOrigin(x, y);
    const double* m = state_->textMatrix();
    state_->setCurrentPoint(x * m[0] + y * m[2] + m[4], x * m[1] + y * m[3] + m[5]);
}

void ContentInterpreter::opTextMove(PdfObject* args, int) {
    moveText(args[0].getNum(), args[1].getNum());
    device_->updateTextPosition(*state_);
}

void ContentInterpreter::opTextMoveSet(PdfObject* args, int) {
    state_->setLeading(-args[1].getNum());
    moveText(args[0].getNum(), args[1].getNum());
    device_->updateTextPosition(*state_);
}

void ContentInterpreter::opTextNextLine(PdfObject*, int) {
    moveText(0, -state_->leading());
    device_->updateTextPosition(*state_);
}

void ContentInterpreter::opSetTextMatrix(PdfObject* args, int) {
    double m[6];
    for (int i = 0; i < 6; ++i) m[i] = args[i].getNum();
    state_->setTextMatrix(m[0], m[1], m[2], m[3], m[4], m[5]);
    state_->setLineOrigin(0, 0);
    state_->setCurrentPoint(m[4], m[5]);
    device_->updateTextMatrix(*state_);
    device_->updateTextPosition(*state_);
    fontChanged_ = true;
}

void ContentInterpreter::opShowText(PdfObject* args, int) {
    if (!state_->font()) {
        reportError(position(), "No font in show");
        return;
    }
    showText(*args[0].getString());
}

void ContentInterpreter::opMoveShowText(PdfObject* args, int) {
    if (!state_->font()) {
        reportError(position(), "No font in move/show");
        return;
    }
    moveText(0, -state_->leading());
    device_->updateTextPosition(*state_);
    showText(*args[0].getString());
}

void ContentInterpreter::opMoveSetShowText(PdfObject* args, int) {
    if (!state_->font()) {
        reportError(position(), "No font in move/set/show");
        return;
    }
    state_->setWordSpace(args[0].getNum());
    state_->setCharSpace(args[1].getNum());
    moveText(0, -state_->leading());
    device_->updateWordSpacing(*state_);
    device_->updateCharSpacing(*state_);
    device_->updateTextPosition(*state_);
    showText(*args[2].getString());
}

void ContentInterpreter::opShowSpaceText(PdfObject* args, int) {
    if (!state_->font()) {
        reportError(position(), "No font in show/space");
        return;
    }
    PdfArray* a = args[0].getArray();
    for (int i = 0; i < a->length(); ++i) {
        PdfObject e = a->get(i);
        if (e.isNum()) {
            // A vertical font's text moves down its column, so the number moves along it.
            const double shift = -e.getNum() * 0.001;
            if (state_->font()->wMode() == 1) state_->verticalTextShift(shift * state_->vertFontSize());
            else state_->textShift(shift * state_->horizFontSize());
            device_->updateTextShift(*state_, e.getNum());
        } else if (e.isString()) {
            showText(*e.getString());
        } else {
            reportError(position(), "Element of show/space array must be number or string");
        }
    }
}

void ContentInterpreter::showText(const PdfString& s) {
    PdfFont* font = state_->font();
    if (fontChanged_) {
        device_->updateFont(*state_);
        fontChanged_ = false;
    }
    const double* tm = state_->textMatrix();
    const uint8_t* p = s.bytes();
    int left = s.length();

    if (device_->wantsCharByChar()) {
        const bool type3 = font->kind() == FontKind::Type3 && device_->interpretType3Chars();
        const double riseX = state_->rise() * tm[2], riseY = state_->rise() * tm[3];
        device_->beginString(*state_, s);
        while (left > 0) {
            uint32_t code = 0;
            int uLen = 0;
            uint16_t unicode[8];
            double dx = 0, dy = 0, ox = 0, oy = 0;
            int n = font->decodeNextChar(p, left, &code, unicode, 8, &uLen, &dx, &dy, &ox, &oy);
            if (n <= 0) n = 1;  // every call must make progress through the string
            if (n > left) n = left;
            const bool vertical = font->wMode() == 1;
            dx *= state_->horizFontSize();
            if (!vertical) dx += state_->charSpace();
            if (vertical && n == 1) ox = 0.3;
            if (n == 1 && p[0] == ' ') dx += state_->wordSpace();
            dx *= state_->horizScaling();
            dy *= state_->vertFontSize();
            if (vertical) dy += state_->charSpace();
            double adx = dx * tm[0] + dy * tm[2], ady = dx * tm[1] + dy * tm[3];
            ox *= state_->horizFontSize();
            oy *= state_->vertFontSize();
            double aox = ox * tm[0] + oy * tm[2], aoy = ox * tm[1] + oy * tm[3];
            int raw = n == 1 ? static_cast<int>(static_cast<int8_t>(p[0]))
                             : static_cast<int>(static_cast<int16_t>(p[0] | (p[1] << 8)));
            if (!type3 || !showType3Char(*font, code, state_->curX() + riseX, state_->curY() + riseY))
                device_->drawChar(*state_, state_->curX() + riseX, state_->curY() + riseY, adx, ady, aox, aoy,
                                  static_cast<int>(code), unicode, uLen < 0 ? 0 : (uLen > 8 ? 8 : uLen), raw);
            state_->shift(adx, ady);
            p += n;
            left -= n;
        }
        device_->endString(*state_);
        return;
    }

    double sumDx = 0, sumDy = 0;
    int chars = 0, spaces = 0;
    while (left > 0) {
        uint32_t code = 0;
        int uLen = 0;
        uint16_t unicode[8];
        double dx = 0, dy = 0, ox = 0, oy = 0;
        int n = font->decodeNextChar(p, left, &code, unicode, 8, &uLen, &dx, &dy, &ox, &oy);
        if (n <= 0) n = 1;
        if (n > left) n = left;
        sumDx += dx;
        sumDy += dy;
        ++chars;
        if (n == 1 && p[0] == ' ') ++spaces;
        p += n;
        left -= n;
    }
    double dx = (state_->wordSpace() * spaces + state_->charSpace() * chars + state_->horizFontSize() * sumDx) *
                state_->horizScaling();
    double dy = state_->vertFontSize() * sumDy;
    device_->drawString(*state_, s);
    state_->shift(dx * tm[0] + dy * tm[2], dx * tm[1] + dy * tm[3]);
}

}  // namespace qm
