// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace curvane {

// Every error the core raises carries a finished, user-readable message; the
// exception report and message boxes show what() unchanged.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// Formula errors: one of the six texts of the parser.
class ESyntaxError : public Exception {
public:
    using Exception::Exception;
};

// Floating-point faults raised out of an evaluation. Samplers catch EMathError
// and treat the sample as undefined; a few callers tell the kinds apart.
class EMathError : public Exception {
public:
    using Exception::Exception;
};

class EInvalidOp : public EMathError {
public:
    EInvalidOp() : EMathError("Invalid floating point operation") {}
};

class EZeroDivide : public EMathError {
public:
    EZeroDivide() : EMathError("Floating point division by zero") {}
};

class EOverflow : public EMathError {
public:
    EOverflow() : EMathError("Floating point overflow") {}
};

// A checked conversion (double to int, colour, pixel) that does not fit.
class ERangeError : public Exception {
public:
    ERangeError() : Exception("Range check error") {}
};

// Reading or writing a file failed; the message names the file.
class EFileError : public Exception {
public:
    using Exception::Exception;
};

}  // namespace curvane
