#pragma once
#include <stdexcept>
#include <string>

namespace qv {

// An error whose message is shown to the user by the general error handler.
// The message is ANSI text, like everything in the data model.
class AppError : public std::runtime_error {
  public:
    explicit AppError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace qv
