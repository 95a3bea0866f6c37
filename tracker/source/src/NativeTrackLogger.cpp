#include "NativeTrackLogger.h"

#include "platform/Clock.h"

namespace tamik::beacon {

NativeTrackLogger::~NativeTrackLogger() {
    if (m_File) std::fclose(m_File);
}

bool NativeTrackLogger::open(const std::string& path) {
    std::lock_guard<std::mutex> g(m_Lock);
    if (m_File) std::fclose(m_File);
    m_File = std::fopen(path.c_str(), "ab");
    return m_File != nullptr;
}

void NativeTrackLogger::write(const std::string& eventTypeName,
                              const beacon_analytics::PropertiesNode& properties) {
    std::lock_guard<std::mutex> g(m_Lock);
    if (!m_File) return;
    const Platform::LocalTime t = Platform::NowLocal();
    std::fprintf(m_File, "%04d-%02d-%02d %02d:%02d:%02d.%03d %s %s\n", t.year, t.month, t.day,
                 t.hour, t.minute, t.second, t.millisecond, eventTypeName.c_str(),
                 properties.ToJson().c_str());
    std::fflush(m_File);
}

}  // namespace tamik::beacon
