// Running compiled type 4 code. Errors never stop a run: the failing operation leaves a
// defined value and the rest of the program still executes.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "core/report_error.h"
#include "graphics/postscript_function.h"

namespace qm {

namespace {

constexpr double kDegrees = 180.0 / 3.14159265358979323846;

int wrap(int64_t v) { return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

// Truncates toward zero; values an int cannot hold saturate and not-a-number gives 0.
int toInt(double x) {
    if (!(x == x)) return 0;
    if (x >= 2147483647.0) return INT_MAX;
    if (x <= -2147483648.0) return INT_MIN;
    return static_cast<int>(x);
}

double roundHalfAway(double x) { return x >= 0 ? std::floor(x + 0.5) : std::ceil(x - 0.5); }

}  // namespace

// Fixed operand stack growing downwards from psStackSize, as a local of every evaluation.
class PsStack {
public:
    enum Kind : int { Bool = 0, Int = 1, Real = 2 };
    struct Value {
        int kind;
        union {
            int i;
            double r;
        };
    };

    int depth() const { return psStackSize - sp_; }
    bool topIs(Kind k, int count) const {
        if (depth() < count) return false;
        for (int i = 0; i < count; ++i)
            if (v_[sp_ + i].kind != k) return false;
        return true;
    }
    bool topAreNumbers(int count) const {
        if (depth() < count) return false;
        for (int i = 0; i < count; ++i)
            if (v_[sp_ + i].kind == Bool) return false;
        return true;
    }

    void push(const Value& v) {
        if (sp_ == 0) {
            reportError(-1, "Stack overflow in PostScript function");
            return;
        }
        v_[--sp_] = v;
    }
    void pushInt(int i) { push(makeInt(Int, i)); }
    void pushBool(bool b) { push(makeInt(Bool, b ? 1 : 0)); }
    void pushReal(double r) {
        Value v;
        v.kind = Real;
        v.r = r;
        push(v);
    }

    Value popAny() {
        if (!checkNotEmpty()) return makeInt(Int, 0);
        return v_[sp_++];
    }
    double popNum() {
        if (!checkNotEmpty()) return 0;
        const Value& v = v_[sp_];
        if (v.kind == Bool) return mismatch();
        ++sp_;
        return v.kind == Int ? static_cast<double>(v.i) : v.r;
    }
    int popInt() {
        if (!checkNotEmpty()) return 0;
        if (v_[sp_].kind != Int) return static_cast<int>(mismatch());
        return v_[sp_++].i;
    }
    bool popBool() {
        if (!checkNotEmpty()) return false;
        if (v_[sp_].kind != Bool) return mismatch() != 0;
        return v_[sp_++].i != 0;
    }

    // Entry n below the top (0 = the top); n must be below depth().
    const Value& at(int n) const { return v_[sp_ + n]; }
    Value* top() { return &v_[sp_]; }

private:
    static Value makeInt(int kind, int i) {
        Value v;
        v.kind = kind;
        v.i = i;
        return v;
    }
    bool checkNotEmpty() {
        if (sp_ < psStackSize) return true;
        reportError(-1, "Stack underflow in PostScript function");
        return false;
    }
    static double mismatch() {
        reportError(-1, "Type mismatch in PostScript function");
        return 0;
    }

    Value v_[psStackSize];
    int sp_ = psStackSize;
};

namespace {

void underflow() { reportError(-1, "Stack underflow in PostScript function"); }

// Integer forms keep integers (with 32-bit wrapping); anything else is computed as reals.
void arithmetic(PsStack& s, PsOp op) {
    if (s.topIs(PsStack::Int, 2)) {
        int64_t b = s.popInt();
        int64_t a = s.popInt();
        s.pushInt(wrap(op == PsOp::Add ? a + b : op == PsOp::Sub ? a - b : a * b));
        return;
    }
    double b = s.popNum();
    double a = s.popNum();
    s.pushReal(op == PsOp::Add ? a + b : op == PsOp::Sub ? a - b : a * b);
}

// A real operand of idiv or mod counts by its integer part: programs written as
// "x floor 2 mod" (a checkerboard) must see the integer they plainly mean, not a type error
// that turns every cell the same colour.
int popIntegral(PsStack& s) { return s.topIs(PsStack::Real, 1) ? toInt(s.popNum()) : s.popInt(); }

// Division by zero gives 0 for both; the one overflowing quotient wraps.
void integerDivision(PsStack& s, PsOp op) {
    int b = popIntegral(s);
    int a = popIntegral(s);
    if (b == 0) {
        s.pushInt(0);
    } else if (b == -1) {
        s.pushInt(op == PsOp::Idiv ? wrap(-static_cast<int64_t>(a)) : 0);
    } else {
        s.pushInt(op == PsOp::Idiv ? a / b : a % b);
    }
}

void bitwise(PsStack& s, PsOp op) {
    if (s.topIs(PsStack::Int, 2)) {
        int b = s.popInt();
        int a = s.popInt();
        s.pushInt(op == PsOp::And ? (a & b) : op == PsOp::Or ? (a | b) : (a ^ b));
        return;
    }
    bool b = s.popBool();
    bool a = s.popBool();
    s.pushBool(op == PsOp::And ? (a && b) : op == PsOp::Or ? (a || b) : (a != b));
}

void compare(PsStack& s, PsOp op) {
    if (op == PsOp::Eq || op == PsOp::Ne) {
        bool equal;
        if (s.topAreNumbers(2)) {
            double b = s.popNum();
            equal = s.popNum() == b;
        } else {
            bool b = s.popBool();
            equal = s.popBool() == b;
        }
        s.pushBool(op == PsOp::Eq ? equal : !equal);
        return;
    }
    double b = s.popNum();
    double a = s.popNum();
    s.pushBool(op == PsOp::Ge ? a >= b : op == PsOp::Gt ? a > b : op == PsOp::Le ? a <= b : a < b);
}

// Integers pass through the rounding family unchanged.
void rounding(PsStack& s, PsOp op) {
    if (s.topIs(PsStack::Int, 1)) return;
    double x = s.popNum();
    switch (op) {
    case PsOp::Ceiling: s.pushReal(std::ceil(x)); break;
    case PsOp::Floor: s.pushReal(std::floor(x)); break;
    case PsOp::Round: s.pushReal(roundHalfAway(x)); break;
    default: s.pushReal(std::trunc(x)); break;
    }
}

void stackOp(PsStack& s, PsOp op) {
    switch (op) {
    case PsOp::Dup: {
        PsStack::Value v = s.popAny();
        s.push(v);
        s.push(v);
        break;
    }
    case PsOp::Exch: {
        PsStack::Value b = s.popAny();
        PsStack::Value a = s.popAny();
        s.push(b);
        s.push(a);
        break;
    }
    case PsOp::Pop: s.popAny(); break;
    case PsOp::Copy: {
        int n = s.popInt();
        if (n < 0 || n > s.depth()) {
            underflow();
            break;
        }
        PsStack::Value group[psStackSize];
        for (int i = 0; i < n; ++i) group[i] = s.at(n - 1 - i);
        for (int i = 0; i < n; ++i) s.push(group[i]);
        break;
    }
    case PsOp::Index: {
        int n = s.popInt();
        if (n < 0 || n >= s.depth()) {
            underflow();
            s.pushInt(0);
        } else {
            s.push(s.at(n));
        }
        break;
    }
    default: {  // roll
        int j = s.popInt();
        int n = s.popInt();
        if (n < 0 || n > s.depth()) {
            underflow();
            break;
        }
        if (n == 0) break;
        int shift = ((j % n) + n) % n;
        PsStack::Value* group = s.top();  // the top entry first
        std::rotate(group, group + shift, group + n);
        break;
    }
    }
}

void numeric(PsStack& s, PsOp op) {
    switch (op) {
    case PsOp::Abs:
    case PsOp::Neg:
        if (s.topIs(PsStack::Int, 1)) {
            int64_t v = s.popInt();
            s.pushInt(wrap(op == PsOp::Neg || v < 0 ? -v : v));
        } else {
            double v = s.popNum();
            s.pushReal(op == PsOp::Neg ? -v : std::fabs(v));
        }
        break;
    case PsOp::Div: {
        double b = s.popNum();
        s.pushReal(s.popNum() / b);
        break;
    }
    case PsOp::Atan: {
        double den = s.popNum();
        double num = s.popNum();
        double deg = std::atan2(num, den) * kDegrees;
        s.pushReal(deg < 0 ? deg + 360 : deg);
        break;
    }
    case PsOp::Sin: s.pushReal(std::sin(s.popNum() / kDegrees)); break;
    case PsOp::Cos: s.pushReal(std::cos(s.popNum() / kDegrees)); break;
    case PsOp::Exp: {
        double e = s.popNum();
        s.pushReal(std::pow(s.popNum(), e));
        break;
    }
    case PsOp::Ln: s.pushReal(std::log(s.popNum())); break;
    case PsOp::Log: s.pushReal(std::log10(s.popNum())); break;
    case PsOp::Sqrt: s.pushReal(std::sqrt(s.popNum())); break;
    case PsOp::Cvi:
        if (!s.topIs(PsStack::Int, 1)) s.pushInt(toInt(s.popNum()));
        break;
    case PsOp::Cvr:
        if (!s.topIs(PsStack::Real, 1)) s.pushReal(s.popNum());
        break;
    case PsOp::Not:
        if (s.topIs(PsStack::Int, 1))
            s.pushInt(~s.popInt());
        else
            s.pushBool(!s.popBool());
        break;
    default: {  // bitshift: logical shifts; 32 places or more clear every bit
        int shift = s.popInt();
        auto value = static_cast<uint32_t>(s.popInt());
        if (shift >= 32 || shift <= -32)
            value = 0;
        else if (shift > 0)
            value <<= shift;
        else if (shift < 0)
            value >>= -shift;
        s.pushInt(static_cast<int>(value));
        break;
    }
    }
}

void execute(PsStack& s, PsOp op) {
    switch (op) {
    case PsOp::Add:
    case PsOp::Sub:
    case PsOp::Mul: arithmetic(s, op); break;
    case PsOp::Idiv:
    case PsOp::Mod: integerDivision(s, op); break;
    case PsOp::And:
    case PsOp::Or:
    case PsOp::Xor: bitwise(s, op); break;
    case PsOp::Eq:
    case PsOp::Ne:
    case PsOp::Ge:
    case PsOp::Gt:
    case PsOp::Le:
    case PsOp::Lt: compare(s, op); break;
    case PsOp::Ceiling:
    case PsOp::Floor:
    case PsOp::Round:
    case PsOp::Truncate: rounding(s, op); break;
    case PsOp::Dup:
    case PsOp::Exch:
    case PsOp::Pop:
    case PsOp::Copy:
    case PsOp::Index:
    case PsOp::Roll: stackOp(s, op); break;
    case PsOp::True: s.pushBool(true); break;
    case PsOp::False: s.pushBool(false); break;
    default: numeric(s, op); break;
    }
}

}  // namespace

void PostScriptFunction::run(PsStack& stack, int start, int depth) const {
    const int size = static_cast<int>(code_.size());
    for (int i = start; i >= 0 && i < size;) {
        const PsCode& c = code_[static_cast<size_t>(i)];
        if (c.kind == PsCode::Int) {
            stack.pushInt(c.i);
        } else if (c.kind == PsCode::Real) {
            stack.pushReal(c.r);
        } else if (c.kind == PsCode::Op && c.i == static_cast<int>(PsOp::Return)) {
            return;
        } else if (c.kind == PsCode::Op && (c.i == static_cast<int>(PsOp::If) || c.i == static_cast<int>(PsOp::IfElse))) {
            bool condition = stack.popBool();
            // Compiled blocks nest no deeper than the compiler allows; the check keeps it so.
            if (depth < 256) {
                if (condition)
                    run(stack, i + 3, depth + 1);
                else if (c.i == static_cast<int>(PsOp::IfElse))
                    run(stack, code_[static_cast<size_t>(i) + 1].i, depth + 1);
            }
            i = code_[static_cast<size_t>(i) + 2].i;
            continue;
        } else if (c.kind == PsCode::Op) {
            execute(stack, static_cast<PsOp>(c.i));
        } else {
            reportError(-1, "Internal: bad object in PostScript function code");
            return;
        }
        ++i;
    }
}

void PostScriptFunction::transform(const double* in, double* out) const {
    PsStack stack;
    for (int i = 0; i < m_; ++i) stack.pushReal(in[i]);
    run(stack, 0, 0);
    for (int j = n_ - 1; j >= 0; --j) out[j] = clipTo(stack.popNum(), range_[j].min, range_[j].max);
}

}  // namespace qm
