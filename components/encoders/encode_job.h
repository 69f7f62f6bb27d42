// What an encode running on a worker thread may ask and tell its control.
#pragma once

#include "components/encoders/failure.h"

namespace brindle::encoders {

class JobContext {
public:
    virtual ~JobContext() = default;
    virtual bool abortRequested() const = 0;
    virtual void progress(int percent) = 0;
    // Reported at once; the encode decides whether it goes on.
    virtual void error(const Failure& failure) = 0;
};

}  // namespace brindle::encoders
