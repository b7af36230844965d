#pragma once
// A device that answers only the required queries and draws nothing: used to run page
// content for tracing, benchmarks and fuzzing.
#include "render/output_device.h"

namespace qm {

class NullDevice : public OutputDevice {
public:
    bool isUpsideDown() override { return true; }
    bool wantsCharByChar() override { return true; }
};

}  // namespace qm
