#include "toolkit/UIResource.h"

#include <archive.h>
#include <archive_entry.h>

#include <cwctype>
#include <fstream>
#include <iterator>

#include "utils/Log.h"
#include "utils/Text.h"

namespace Toolkit {

std::string CSkinArchive::NormaliseKey(const std::wstring& path) {
    std::wstring s;
    s.reserve(path.size());
    for (wchar_t c : path) s.push_back(c == L'\\' ? L'/' : static_cast<wchar_t>(std::towlower(c)));
    while (s.rfind(L"./", 0) == 0) s.erase(0, 2);
    while (!s.empty() && s[0] == L'/') s.erase(0, 1);
    return Utils::ToUtf8(s);
}

bool CSkinArchive::Open(const std::vector<uint8_t>& archiveBytes, std::string* error) {
    if (archiveBytes.empty()) {
        if (error) *error = "the archive is empty";
        return false;
    }
    struct archive* a = archive_read_new();
    // The skin package is a 7z archive; nothing else is tried.
    archive_read_support_format_7zip(a);
    if (archive_read_open_memory(a, archiveBytes.data(), archiveBytes.size()) != ARCHIVE_OK) {
        if (error) *error = std::string("cannot open the archive: ") + archive_error_string(a);
        archive_read_free(a);
        return false;
    }
    std::vector<Entry> entries;
    struct archive_entry* e = nullptr;
    bool ok = true;
    std::string why;
    for (;;) {
        int r = archive_read_next_header(a, &e);
        if (r == ARCHIVE_EOF) break;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
            ok = false;
            why = archive_error_string(a) ? archive_error_string(a) : "bad entry header";
            break;
        }
        if (archive_entry_filetype(e) != AE_IFREG) continue;
        Entry entry;
        const char* name = archive_entry_pathname_utf8(e);
        if (!name) name = archive_entry_pathname(e);
        entry.name = name ? name : "";
        la_int64_t size = archive_entry_size_is_set(e) ? archive_entry_size(e) : -1;
        // Known sizes are read straight into place; the rest in chunks.
        size_t have = 0;
        if (size >= 0) entry.bytes.resize(static_cast<size_t>(size));
        for (;;) {
            if (have == entry.bytes.size()) entry.bytes.resize(have + 65536);
            la_ssize_t n =
                archive_read_data(a, entry.bytes.data() + have, entry.bytes.size() - have);
            if (n == 0) break;
            if (n < 0) {
                ok = false;
                why = archive_error_string(a) ? archive_error_string(a) : "cannot decode an entry";
                break;
            }
            have += static_cast<size_t>(n);
        }
        entry.bytes.resize(have);
        if (!ok) break;
        entries.push_back(std::move(entry));
    }
    archive_read_free(a);
    if (!ok) {
        if (error) *error = "cannot decode the archive: " + why;
        return false;
    }
    m_Entries = std::move(entries);
    m_Index.clear();
    for (size_t i = 0; i < m_Entries.size(); ++i) {
        m_Index.emplace(NormaliseKey(Utils::FromUtf8(m_Entries[i].name)), i);
    }
    m_Open = true;
    return true;
}

const CSkinArchive::Entry* CSkinArchive::Find(const std::wstring& path) const {
    auto it = m_Index.find(NormaliseKey(path));
    return it == m_Index.end() ? nullptr : &m_Entries[it->second];
}

const CSkinArchive::Entry* CSkinArchive::Find(const std::string& utf8Path) const {
    return Find(Utils::FromUtf8(utf8Path));
}

void CSkinArchive::Clear() {
    m_Open = false;
    m_Entries.clear();
    m_Index.clear();
}

CResourceManager& CResourceManager::Instance() {
    static CResourceManager manager;
    return manager;
}

void CResourceManager::SetResourcePath(const std::wstring& folder) {
    m_ResourcePath = folder;
    for (auto& c : m_ResourcePath) {
        if (c == L'\\') c = L'/';
    }
    if (!m_ResourcePath.empty() && m_ResourcePath.back() != L'/') m_ResourcePath.push_back(L'/');
}

bool CResourceManager::OpenArchive(const std::wstring& name, const std::vector<uint8_t>& bytes,
                                   std::string* error) {
    if (m_Archive.IsOpen() && name == m_ArchiveName) return true;
    CSkinArchive fresh;
    if (!fresh.Open(bytes, error)) return false;
    ++m_DecodeCount;
    m_Archive = std::move(fresh);
    m_ArchiveName = name;
    return true;
}

void CResourceManager::Reset() {
    m_Archive.Clear();
    m_ArchiveName.clear();
}

namespace {

// Paths on disk are used as given (after the separator change); the
// archive is where letter case does not matter.
bool ReadDiskFile(const std::string& path, std::vector<uint8_t>* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    if (bytes) bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

}  // namespace

bool CResourceManager::ReadFile(const std::wstring& path, std::vector<uint8_t>* bytes) const {
    if (path.empty()) return false;
    if (m_Archive.IsOpen()) {
        if (const CSkinArchive::Entry* e = m_Archive.Find(path)) {
            if (bytes) *bytes = e->bytes;
            return true;
        }
    }
    std::wstring rel = path;
    for (auto& c : rel) {
        if (c == L'\\') c = L'/';
    }
    std::wstring full = (!rel.empty() && rel[0] == L'/') ? rel : m_ResourcePath + rel;
    return ReadDiskFile(Utils::ToUtf8(full), bytes);
}

bool CResourceManager::FileExists(const std::wstring& path) const {
    return ReadFile(path, nullptr);
}

}  // namespace Toolkit
