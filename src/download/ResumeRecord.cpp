#include "download/ResumeRecord.h"

#include <cctype>
#include <sstream>

#include "platform/ByteFile.h"
#include "utils/Md5.h"

namespace {
const char kMagic[] = "lumora-resume 1";
}

bool ReadResumeRecord(const std::string& path, ResumeRecord* record) {
    std::string text;
    if (!Platform::ReadSmallFile(path, &text)) return false;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kMagic) return false;
    ResumeRecord r;
    bool haveUrl = false, haveReal = false, haveSize = false;
    while (std::getline(in, line)) {
        if (line.rfind("url ", 0) == 0) {
            r.url = line.substr(4);
            haveUrl = true;
        } else if (line.rfind("real ", 0) == 0) {
            r.realUrl = line.substr(5);
            haveReal = true;
        } else if (line.rfind("size ", 0) == 0) {
            const std::string digits = line.substr(5);
            if (digits.empty() || digits.size() > 18) return false;
            for (char c : digits)
                if (!std::isdigit(static_cast<unsigned char>(c))) return false;
            r.size = std::stoll(digits);
            haveSize = true;
        }
    }
    if (!haveUrl || !haveReal || !haveSize) return false;
    *record = r;
    return true;
}

bool WriteResumeRecord(const std::string& path, const ResumeRecord& record) {
    // One field per line: an address with a line break cannot be stored.
    for (const std::string* s : {&record.url, &record.realUrl})
        if (s->find_first_of("\r\n") != std::string::npos) return false;
    std::string text = std::string(kMagic) + "\nurl " + record.url + "\nreal " + record.realUrl +
                       "\nsize " + std::to_string(record.size) + "\n";
    int err = 0;
    return Platform::ReplaceFileContent(path, text, &err);
}

bool CarriesDigest(const std::string& realUrl) {
    const std::string digest = Utils::GetUrlMd5(realUrl);
    if (digest.size() != 32) return false;
    for (char c : digest)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}
