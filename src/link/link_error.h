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

// Error numbers of the link.
inline constexpr long kErrSockTimeout = 40006;   // no byte within the polls of a socket receive
inline constexpr long kErrLinkFailure = 40020;   // the port or socket refused an operation
inline constexpr long kErrLinkReported = 40021;  // the link broke and the user has been told
