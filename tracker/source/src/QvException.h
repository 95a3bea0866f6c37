#pragma once
// The tracker's one exception type. Thrown inside the tracker only; the
// wrapper (BeaconTrackerWrapper) catches every exception, so none reaches the
// host program.
#include <stdexcept>
#include <string>

namespace tamik::beacon {

class QvException : public std::exception {
public:
    // `unit` is the raising source's name ("BeaconTrackerImpl", ...).
    QvException(const std::string& unit, std::string function, int line, std::string message);

    const char* what() const noexcept override { return message.c_str(); }

    std::string file;
    std::string function;
    int line;
    int code1 = -1;
    int code2 = -1;
    std::string message;
};

}  // namespace tamik::beacon

// Throws a QvException for the current unit (kQvUnit must name it).
#define QV_THROW(function, message) \
    throw ::tamik::beacon::QvException(kQvUnit, (function), __LINE__, (message))
