#include "graphics/function.h"

#include <cmath>

#include "core/pdf_array.h"
#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "graphics/number_array.h"
#include "graphics/postscript_function.h"
#include "graphics/sampled_function.h"

namespace qm {

bool readFunctionIntervals(const PdfObject& array, Interval* out, int pairs) {
    for (int i = 0; i < pairs; ++i) {
        PdfObject lo = array.arrayGet(2 * i);
        PdfObject hi = array.arrayGet(2 * i + 1);
        if (!lo.isNum() || !hi.isNum()) return false;
        out[i] = {lo.getNum(), hi.getNum()};
    }
    return true;
}

bool PdfFunction::readDomainAndRange(PdfDict* dict) {
    PdfObject domain = dict->lookup("Domain");
    if (!domain.isArray()) {
        reportError(-1, "Function is missing domain");
        return false;
    }
    m_ = domain.arrayLength() / 2;
    if (m_ > maxFunctionInputs) {
        reportError(-1, "Functions with more than %d inputs are unsupported", maxFunctionInputs);
        return false;
    }
    if (!readFunctionIntervals(domain, domain_, m_)) {
        reportError(-1, "Illegal value in function domain array");
        return false;
    }
    PdfObject range = dict->lookup("Range");
    if (range.isArray()) {
        hasRange_ = true;
        n_ = range.arrayLength() / 2;
        if (n_ > maxFunctionOutputs) {
            reportError(-1, "Functions with more than %d outputs are unsupported", maxFunctionOutputs);
            return false;
        }
        if (!readFunctionIntervals(range, range_, n_)) {
            reportError(-1, "Illegal value in function range array");
            return false;
        }
        rangeCount_ = n_;
    }
    return true;
}

void PdfFunction::clipToRange(double* out, int count) const {
    if (!hasRange_) return;
    for (int j = 0; j < count && j < rangeCount_; ++j) out[j] = clipTo(out[j], range_[j].min, range_[j].max);
}

std::unique_ptr<PdfFunction> parseFunction(const PdfObject& obj) {
    FunctionParseLimits limits;
    return parseFunction(obj, limits);
}

std::unique_ptr<PdfFunction> parseFunction(const PdfObject& obj, FunctionParseLimits& limits) {
    if (obj.isName("Identity")) return std::make_unique<IdentityFunction>();
    PdfDict* dict = (obj.isStream() || obj.isDict()) ? obj.dictOf() : nullptr;
    if (!dict) {
        reportError(-1, "Expected function dictionary or stream");
        return nullptr;
    }
    if (limits.depth >= FunctionParseLimits::maxDepth) {
        reportError(-1, "Functions nested more than %d deep are unsupported", FunctionParseLimits::maxDepth);
        return nullptr;
    }
    if (--limits.functionsLeft < 0) {
        reportError(-1, "More than %d functions in one function are unsupported", FunctionParseLimits::maxFunctions);
        return nullptr;
    }
    PdfObject type = dict->lookup("FunctionType");
    if (!type.isInt()) {
        reportError(-1, "Function type is missing or wrong type");
        return nullptr;
    }
    std::unique_ptr<PdfFunction> fn;
    switch (type.getInt()) {
    case 0:
        fn = std::make_unique<SampledFunction>(obj, dict, limits);
        break;
    case 2:
        fn = std::make_unique<ExponentialFunction>(dict);
        break;
    case 3:
        fn = std::make_unique<StitchingFunction>(dict, limits);
        break;
    case 4:
        fn = std::make_unique<PostScriptFunction>(obj, dict);
        break;
    default:
        reportError(-1, "Unimplemented function type (%d)", type.getInt());
        return nullptr;
    }
    if (!fn->isOk()) return nullptr;
    return fn;
}

void PdfFunction::evaluate(const double* in, int count, double* out) const {
    double padded[maxFunctionInputs] = {};
    const int n = count < 0 ? 0 : count > maxFunctionInputs ? maxFunctionInputs : count;
    for (int i = 0; i < n; ++i) padded[i] = in[i];
    transform(padded, out);
}

// ---- Identity

IdentityFunction::IdentityFunction() {
    m_ = n_ = maxFunctionInputs;
    for (int i = 0; i < maxFunctionInputs; ++i) domain_[i] = range_[i] = {0, 1};
    ok_ = true;
}

std::unique_ptr<PdfFunction> IdentityFunction::clone() const { return std::make_unique<IdentityFunction>(); }

void IdentityFunction::transform(const double* in, double* out) const {
    for (int i = 0; i < maxFunctionOutputs; ++i) out[i] = in[i];
}

// ---- Exponential interpolation

ExponentialFunction::ExponentialFunction(PdfDict* dict) {
    for (int j = 0; j < maxFunctionOutputs; ++j) {
        c0_[j] = 0;
        c1_[j] = 1;
    }
    if (!readDomainAndRange(dict)) return;
    if (m_ != 1) {
        reportError(-1, "Exponential function with more than one input");
        return;
    }
    if (!readCoefficients(dict, "C0", c0_, "Illegal value in function C0 array")) return;
    if (!readCoefficients(dict, "C1", c1_, "Illegal value in function C1 array")) return;
    PdfObject exponent = dict->lookup("N");
    if (!exponent.isNum()) {
        reportError(-1, "Function has missing or invalid N");
        return;
    }
    exponent_ = exponent.getNum();
    ok_ = true;
}

bool ExponentialFunction::readCoefficients(PdfDict* dict, const char* key, double* values, const char* message) {
    PdfObject array = dict->lookup(key);
    if (!array.isArray()) return true;
    int count = array.arrayLength();
    if (count > maxFunctionOutputs) {
        reportError(-1, "Functions with more than %d outputs are unsupported", maxFunctionOutputs);
        return false;
    }
    for (int j = 0; j < count; ++j) {
        PdfObject v = array.arrayGet(j);
        if (!v.isNum()) {
            reportError(-1, "%s", message);
            return false;
        }
        values[j] = v.getNum();
    }
    n_ = count;
    return true;
}

std::unique_ptr<PdfFunction> ExponentialFunction::clone() const {
    return std::unique_ptr<PdfFunction>(new ExponentialFunction(*this));
}

void ExponentialFunction::transform(const double* in, double* out) const {
    double x = clipTo(in[0], domain_[0].min, domain_[0].max);
    double t = std::pow(x, exponent_);
    for (int j = 0; j < n_; ++j) out[j] = c0_[j] + t * (c1_[j] - c0_[j]);
    clipToRange(out, n_);
}

// ---- Stitching

StitchingFunction::StitchingFunction(PdfDict* dict, FunctionParseLimits& limits) {
    if (!readDomainAndRange(dict)) return;
    if (m_ != 1) {
        reportError(-1, "Stitching function with more than one input");
        return;
    }
    PdfObject list = dict->lookup("Functions");
    if (!list.isArray() || list.arrayLength() == 0) {
        reportError(-1, "Missing 'Functions' entry in stitching function");
        return;
    }
    int k = list.arrayLength();
    ++limits.depth;
    for (int i = 0; i < k; ++i) {
        std::unique_ptr<PdfFunction> fn = parseFunction(list.arrayGet(i), limits);
        if (!fn) {
            --limits.depth;
            return;
        }
        if (i > 0 && (fn->inputCount() != 1 || fn->outputCount() != functions_[0]->outputCount())) {
            reportError(-1, "Incompatible subfunctions in stitching function");
            --limits.depth;
            return;
        }
        functions_.push_back(std::move(fn));
    }
    --limits.depth;
    bounds_.assign(static_cast<size_t>(k) + 1, 0.0);
    bounds_[0] = domain_[0].min;
    bounds_[static_cast<size_t>(k)] = domain_[0].max;
    if (!readNumbers(dict, "Bounds", k - 1, bounds_, 1, "Missing or invalid 'Bounds' entry in stitching function",
                     "Invalid type in 'Bounds' array in stitching function"))
        return;
    encode_.assign(2 * static_cast<size_t>(k), 0.0);
    if (!readNumbers(dict, "Encode", 2 * k, encode_, 0, "Missing or invalid 'Encode' entry in stitching function",
                     "Invalid type in 'Encode' array in stitching function"))
        return;
    // Callers size colour buffers by the output count, so a stitching function without a
    // Range of its own answers with its pieces' count rather than with none.
    if (!hasRange_) n_ = functions_[0]->outputCount();
    ok_ = true;
}

bool StitchingFunction::readNumbers(PdfDict* dict, const char* key, int count, std::vector<double>& values,
                                    int offset, const char* missing, const char* badType) {
    PdfObject array = dict->lookup(key);
    if (!array.isArray() || array.arrayLength() != count) {
        reportError(-1, "%s", missing);
        return false;
    }
    if (!readNumberArray(array, values.data() + offset, count)) {
        reportError(-1, "%s", badType);
        return false;
    }
    return true;
}

std::unique_ptr<PdfFunction> StitchingFunction::clone() const {
    std::unique_ptr<StitchingFunction> copy(new StitchingFunction());
    static_cast<PdfFunction&>(*copy) = *this;
    for (const auto& fn : functions_) copy->functions_.push_back(fn->clone());
    copy->bounds_ = bounds_;
    copy->encode_ = encode_;
    return copy;
}

void StitchingFunction::transform(const double* in, double* out) const {
    double x = clipTo(in[0], domain_[0].min, domain_[0].max);
    int k = functionCount();
    int i = 0;
    while (i < k - 1 && !(x < bounds_[static_cast<size_t>(i) + 1])) ++i;
    // A zero-width piece maps its single point to the start of its Encode interval.
    double t = mapInterval(x, bounds_[static_cast<size_t>(i)], bounds_[static_cast<size_t>(i) + 1],
                           encode_[2 * static_cast<size_t>(i)], encode_[2 * static_cast<size_t>(i) + 1]);
    // A full input buffer: the first piece may be a function of more inputs (Identity).
    double pieceIn[maxFunctionInputs] = {t};
    functions_[static_cast<size_t>(i)]->transform(pieceIn, out);
}

}  // namespace qm
