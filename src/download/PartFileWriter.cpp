#include "download/PartFileWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "download/Md5Follower.h"

bool CPartFileWriter::Open(const std::string& path) {
    Close();
    m_Error = 0;
    m_Fill = 0;
    m_Follower = nullptr;
    if (!m_File.OpenAppend(path, &m_Error)) return false;
    m_Written = m_File.Size(&m_Error);
    if (m_Written < 0) {
        m_File.Close(nullptr);
        return false;
    }
    m_Buffer.resize(kBuffer);
    return true;
}

void CPartFileWriter::Follow(CMd5Follower* follower, size_t index) {
    m_Follower = follower;
    m_FollowerIndex = index;
    if (m_Follower) m_Follower->Publish(m_FollowerIndex, m_Written);
}

bool CPartFileWriter::Write(const char* data, size_t size) {
    if (m_Error != 0 || !m_File.IsOpen()) return false;
    // A large piece goes to the file as it is, without a copy into the
    // buffer (once the buffer's bytes are out, so the order stays).
    if (size >= kDirect) {
        if (!Flush()) return false;
        if (!m_File.WriteAll(data, size, &m_Error)) {
            if (m_Error == 0) m_Error = EIO;
            return false;
        }
        m_Written += static_cast<int64_t>(size);
        if (m_Follower) m_Follower->Publish(m_FollowerIndex, m_Written);
        return true;
    }
    while (size > 0) {
        if (m_Fill == m_Buffer.size() && !Flush()) return false;
        size_t take = std::min(size, m_Buffer.size() - m_Fill);
        std::memcpy(m_Buffer.data() + m_Fill, data, take);
        m_Fill += take;
        data += take;
        size -= take;
    }
    return true;
}

bool CPartFileWriter::Flush() {
    if (m_Error != 0) return false;
    if (m_Fill == 0) return true;
    if (!m_File.WriteAll(m_Buffer.data(), m_Fill, &m_Error)) {
        if (m_Error == 0) m_Error = EIO;
        return false;
    }
    m_Written += static_cast<int64_t>(m_Fill);
    m_Fill = 0;
    if (m_Follower) m_Follower->Publish(m_FollowerIndex, m_Written);
    return true;
}

bool CPartFileWriter::Close() {
    if (!m_File.IsOpen()) return m_Error == 0;
    Flush();
    int err = 0;
    if (!m_File.Close(&err) && m_Error == 0) m_Error = err;
    m_Fill = 0;
    return m_Error == 0;
}
