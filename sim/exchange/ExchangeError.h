// The one error type of the host's exchange formats: a file that cannot be read or written.
#pragma once

#include <stdexcept>

namespace fxexchange {

class ExchangeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace fxexchange
