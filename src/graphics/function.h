#pragma once
// Functions mapping m input numbers to n output numbers: tint transforms, shading colour
// functions and transfer functions. Evaluation never allocates, so it can sit in per-pixel
// loops.
#include <cstddef>
#include <memory>
#include <vector>

#include "core/pdf_object.h"

namespace qm {

constexpr int maxFunctionInputs = 8;
constexpr int maxFunctionOutputs = 8;

struct Interval {
    double min = 0;
    double max = 0;
};

// Limits for one top-level parse, shared by every nested function: hostile files can nest
// stitching functions through references and point many entries at one huge function.
struct FunctionParseLimits {
    static constexpr int maxDepth = 8;
    static constexpr int maxFunctions = 1024;
    static constexpr size_t maxSamples = size_t{1} << 22;  // 32 MB of doubles

    int depth = 0;
    int functionsLeft = maxFunctions;
    size_t samplesLeft = maxSamples;
};

class PdfFunction {
public:
    virtual ~PdfFunction() = default;
    virtual std::unique_ptr<PdfFunction> clone() const = 0;
    // `in` holds inputCount() values; `out` must have room for maxFunctionOutputs values.
    virtual void transform(const double* in, double* out) const = 0;
    // transform() for callers with `count` inputs, which may be fewer than the function
    // reads: the missing inputs are 0, never memory past the caller's values.
    void evaluate(const double* in, int count, double* out) const;
    virtual bool isOk() const { return ok_; }

    int inputCount() const { return m_; }
    int outputCount() const { return n_; }
    const Interval& domain(int i) const { return domain_[i]; }
    const Interval& range(int i) const { return range_[i]; }
    bool hasRange() const { return hasRange_; }

protected:
    PdfFunction() = default;
    PdfFunction(const PdfFunction&) = default;
    // Reads Domain and Range; false (reported) when they are unusable.
    bool readDomainAndRange(PdfDict* dict);
    // Clips every output to its range when there is one.
    void clipToRange(double* out, int count) const;

    int m_ = 0;
    int n_ = 0;
    Interval domain_[maxFunctionInputs];
    Interval range_[maxFunctionOutputs];
    bool hasRange_ = false;
    int rangeCount_ = 0;  // pairs in Range; n can differ when C0/C1 set it
    bool ok_ = false;
};

// A stream, a dictionary or the name Identity; null (reported) when the object is not a
// usable function.
std::unique_ptr<PdfFunction> parseFunction(const PdfObject& obj);
std::unique_ptr<PdfFunction> parseFunction(const PdfObject& obj, FunctionParseLimits& limits);

// Reads `pairs` intervals from an array of 2 x pairs numbers; false on a non-number.
bool readFunctionIntervals(const PdfObject& array, Interval* out, int pairs);

// x clipped to [lo, hi]; not-a-number becomes lo so that later integer conversions stay defined.
inline double clipTo(double x, double lo, double hi) {
    if (!(x >= lo)) return lo;
    return x > hi ? hi : x;
}

// Maps x from [x0, x1] onto [y0, y1]; an empty source interval maps everything to y0.
inline double mapInterval(double x, double x0, double x1, double y0, double y1) {
    double width = x1 - x0;
    if (width == 0) return y0;
    return y0 + (x - x0) / width * (y1 - y0);
}

class IdentityFunction : public PdfFunction {
public:
    IdentityFunction();
    std::unique_ptr<PdfFunction> clone() const override;
    void transform(const double* in, double* out) const override;
};

class ExponentialFunction : public PdfFunction {
public:
    explicit ExponentialFunction(PdfDict* dict);
    std::unique_ptr<PdfFunction> clone() const override;
    void transform(const double* in, double* out) const override;
    double exponent() const { return exponent_; }

private:
    ExponentialFunction(const ExponentialFunction&) = default;
    bool readCoefficients(PdfDict* dict, const char* key, double* values, const char* message);

    double c0_[maxFunctionOutputs];
    double c1_[maxFunctionOutputs];
    double exponent_ = 1;
};

class StitchingFunction : public PdfFunction {
public:
    StitchingFunction(PdfDict* dict, FunctionParseLimits& limits);
    std::unique_ptr<PdfFunction> clone() const override;
    void transform(const double* in, double* out) const override;
    int functionCount() const { return static_cast<int>(functions_.size()); }

private:
    StitchingFunction() = default;
    bool readNumbers(PdfDict* dict, const char* key, int count, std::vector<double>& values, int offset,
                     const char* missing, const char* badType);

    std::vector<std::unique_ptr<PdfFunction>> functions_;
    std::vector<double> bounds_;  // k + 1 entries, the domain's ends at both sides
    std::vector<double> encode_;  // 2k entries
};

}  // namespace qm
