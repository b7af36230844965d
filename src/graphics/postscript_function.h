#pragma once
// Type 4 functions: a small stack-machine program compiled once into jump code, then run
// against a fixed stack on every evaluation.
#include <vector>

#include "graphics/function.h"

namespace qm {

constexpr int psStackSize = 100;

enum class PsOp : int {
    Abs, Add, And, Atan, Bitshift, Ceiling, Copy, Cos, Cvi, Cvr,
    Div, Dup, Eq, Exch, Exp, False, Floor, Ge, Gt, Idiv,
    Index, Le, Ln, Log, Lt, Mod, Mul, Ne, Neg, Not,
    Or, Pop, Roll, Round, Sin, Sqrt, Sub, True, Truncate, Xor,
    If, IfElse, Return,
};

struct PsCode {
    enum Kind : int { Int = 1, Real = 2, Op = 3, Jump = 4 };
    int kind;
    union {
        int i;   // integer value, operator number or jump target
        double r;
    };
    static PsCode make(int kind, int value) {
        PsCode c;
        c.kind = kind;
        c.i = value;
        return c;
    }
};

class PostScriptFunction : public PdfFunction {
public:
    PostScriptFunction(const PdfObject& obj, PdfDict* dict);
    std::unique_ptr<PdfFunction> clone() const override;
    void transform(const double* in, double* out) const override;
    const std::vector<PsCode>& code() const { return code_; }

private:
    PostScriptFunction(const PostScriptFunction&) = default;
    bool parseBlock(class PsTokenizer& tokens, int depth);
    void run(class PsStack& stack, int start, int depth) const;

    std::vector<PsCode> code_;
};

}  // namespace qm
