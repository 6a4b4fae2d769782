#pragma once
#include <exception>
#include <string>

namespace tbx {

// The base of every failure the system throws: a standard exception whose
// what() is the narrow (code page 932) message. A failure whose text is not
// for the movie (a failed automation call, refused markup) says so, and the
// boundaries treat it as an unexpected failure.
class Error : public std::exception {
public:
    explicit Error(std::string message, bool forMovie = true) : message_(std::move(message)), forMovie_(forMovie) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const noexcept { return message_; }
    bool forMovie() const noexcept { return forMovie_; }
    // What the trace output says about the failure beyond its message (a
    // refusal's rule, say); empty for most.
    virtual std::string explanation() const { return std::string(); }

private:
    std::string message_;
    bool forMovie_;
};

}  // namespace tbx
