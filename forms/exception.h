#pragma once
// Failures are exceptions derived from Exception, which carries the message shown
// to the user. Handlers catch nothing; the application object reports them.

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// Printf-style message building, as the error texts are given ("%s: %s").
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
