#include "QvException.h"

namespace tamik::beacon {

QvException::QvException(const std::string& unit, std::string function_, int line_,
                         std::string message_)
    : file("..\\..\\..\\..\\source\\src\\" + unit + ".cpp"),
      function(std::move(function_)),
      line(line_),
      message(std::move(message_)) {}

}  // namespace tamik::beacon
