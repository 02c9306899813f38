// The one error type the platform services raise, whatever the native error was.
#pragma once

#include <stdexcept>
#include <string>

namespace os {

class OsError : public std::runtime_error {
public:
    explicit OsError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace os
