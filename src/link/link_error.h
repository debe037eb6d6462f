#pragma once
// A run-time failure of the link that travels to the caller's error trap instead of being
// reported where it happens (the socket time-out 40006, a send on a closed socket, ...).

#include <stdexcept>
#include <string>

class LinkError : public std::runtime_error {
public:
    LinkError(long number, const std::string& description, std::string source = {})
        : std::runtime_error(description), number_(number), source_(std::move(source)) {}
    long number() const { return number_; }
    const std::string& source() const { return source_; }

private:
    long number_;
    std::string source_;
};

#include "link/error_numbers.h"
