#pragma once

#include <stdexcept>
#include <string>

namespace glintfall {

// Every failure the program reports carries the text the user sees as its message.
class TError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The operating system refused a call; the message follows the system's own wording.
class TOSError : public TError {
public:
    static TOSError FromCode(int code, const std::string& systemText);
    static TOSError WithoutCode();

private:
    using TError::TError;
};

// A picture file cannot be opened, ends early or is not a picture the reader accepts.
class TFileOpenError : public TError {
public:
    explicit TFileOpenError(const std::string& path);
};

class TReadError : public TError {
public:
    TReadError();
};

class TInvalidGraphic : public TError {
public:
    TInvalidGraphic();
};

} // namespace glintfall
