#pragma once
// Sampled functions: a table of n outputs per grid point over m inputs, evaluated by
// multilinear interpolation between the 2^m grid corners around the input.
#include <vector>

#include "graphics/function.h"

namespace qm {

class SampledFunction : public PdfFunction {
public:
    // `obj` is the function object (it must be a stream), `dict` its dictionary.
    SampledFunction(const PdfObject& obj, PdfDict* dict, FunctionParseLimits& limits);
    std::unique_ptr<PdfFunction> clone() const override;
    void transform(const double* in, double* out) const override;

    int size(int i) const { return size_[i]; }
    int bitsPerSample() const { return bits_; }
    // Stored sample values, already divided by 2^bps - 1, the first input varying fastest.
    const std::vector<double>& samples() const { return samples_; }

private:
    SampledFunction(const SampledFunction&) = default;
    bool readSize(PdfDict* dict);
    bool readSamples(Stream* stream, size_t count);

    int size_[maxFunctionInputs] = {};
    int bits_ = 0;
    Interval encode_[maxFunctionInputs];
    Interval decode_[maxFunctionOutputs];
    // Distance in the sample table between neighbours along each input.
    size_t stride_[maxFunctionInputs] = {};
    std::vector<double> samples_;
};

}  // namespace qm
