// A failed step of an encode: the EncodeError code and a text for people.
#pragma once

#include <string>

namespace brindle::encoders {

struct Failure {
    int code = 0;
    std::string text;
};

}  // namespace brindle::encoders
