#pragma once
// The diagnostic log: one line per event on the developer channel (standard
// error), stamped with process, thread, local time, function and line:
//
//   <P%05d><T%05d><%04d-%02d-%02d %02d:%02d:%02d.%03d>(%s)<%04d>: message
//
// Message formats are printf-style over wide characters; "%s" takes a wide
// string (const wchar_t*). No lock, no levels, any thread: each line is
// formatted into its own buffer and written with one call.
//
//   LOG(L"CurlDownLoader Code=%d", code);      // line end "\r\n" appended
//   LOG_RAW(L"DL_TYPE=%d\r\n", type);          // the message carries its own end
#include <string>

namespace Utils {

// The qualified "Class::method" part of the compiler's __PRETTY_FUNCTION__;
// inside a lambda "Class::method::<lambda>::operator ()".
std::wstring FunctionNameFromSignature(const char* prettyFunction);

// `format` is the whole line format: the header, the message format and its
// line end. The arguments are the header's eleven values (process id, thread
// id, year, month, day, hour, minute, second, millisecond, function name as
// const wchar_t*, line) followed by the message's own.
void DebugLog(const wchar_t* format, ...);

// Formats like DebugLog but returns the line instead of writing it.
std::wstring FormatDebugLog(const wchar_t* format, ...);

// The header values for a call site; used by the macros.
struct LogStamp {
    int pid, tid, year, month, day, hour, minute, second, millisecond;
    static LogStamp Now();
};

}  // namespace Utils

#define LUMORA_LOG_HEADER L"<P%05d><T%05d><%04d-%02d-%02d %02d:%02d:%02d.%03d>(%ls)<%04d>: "

#define LUMORA_LOG_IMPL(fmt, ...)                                                             \
    do {                                                                                      \
        static const std::wstring lumoraLogFn_ =                                              \
            ::Utils::FunctionNameFromSignature(__PRETTY_FUNCTION__);                          \
        const ::Utils::LogStamp lumoraStamp_ = ::Utils::LogStamp::Now();                      \
        ::Utils::DebugLog(fmt, lumoraStamp_.pid, lumoraStamp_.tid, lumoraStamp_.year,         \
                          lumoraStamp_.month, lumoraStamp_.day, lumoraStamp_.hour,            \
                          lumoraStamp_.minute, lumoraStamp_.second, lumoraStamp_.millisecond, \
                          lumoraLogFn_.c_str(), __LINE__ __VA_OPT__(, ) __VA_ARGS__);         \
    } while (0)

#define LOG(fmt, ...) LUMORA_LOG_IMPL(LUMORA_LOG_HEADER fmt L"\r\n" __VA_OPT__(, ) __VA_ARGS__)
#define LOG_RAW(fmt, ...) LUMORA_LOG_IMPL(LUMORA_LOG_HEADER fmt __VA_OPT__(, ) __VA_ARGS__)
