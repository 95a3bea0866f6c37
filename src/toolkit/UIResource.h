#pragma once
// Where layouts and images come from: the skin archive held in memory (a 7z
// package decoded once, completely, by libarchive) and, as the fallback, the
// resource folder on disk. Look-ups turn "\" into "/" and ignore letter case.
// UI thread, except where a function says otherwise.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Toolkit {

// How a window finds its layout.
// Kinds 2 and 3 are not supported and read the resource folder like kind 1;
// an archive opened through CResourceManager::OpenArchive is searched first
// whatever the kind.
enum class ResourceKind : int {
    Folder = 1,           // the layout and images are files in the resource folder
    ArchiveFile = 2,      // not supported (read as Folder)
    Resource = 3,         // not supported (read as Folder)
    ArchiveResource = 4,  // an archive in the executable's resources ("ZIPRES" n)
};

class CSkinArchive {
public:
    struct Entry {
        std::string name;  // as stored, "/" separators
        std::vector<uint8_t> bytes;
    };

    // Decodes every file of the archive (folders are skipped). On failure
    // the archive stays as it was and `error` says why.
    bool Open(const std::vector<uint8_t>& archiveBytes, std::string* error);
    bool IsOpen() const { return m_Open; }
    // Null when absent. `path` may use either separator and any case.
    const Entry* Find(const std::wstring& path) const;
    const Entry* Find(const std::string& utf8Path) const;
    const std::vector<Entry>& Entries() const { return m_Entries; }
    void Clear();

    // The normalised key of a path: "\" to "/", lower case (ASCII and the
    // rest of Unicode as far as towlower knows), leading "./" and "/" removed.
    static std::string NormaliseKey(const std::wstring& path);

private:
    bool m_Open = false;
    std::vector<Entry> m_Entries;
    std::map<std::string, size_t> m_Index;
};

// The process-wide resources of the toolkit.
class CResourceManager {
public:
    static CResourceManager& Instance();

    // The folder beside the executable plus the skin folder; ends with "/"
    // when not empty.
    void SetResourcePath(const std::wstring& folder);
    const std::wstring& GetResourcePath() const { return m_ResourcePath; }

    // Opens the in-memory archive known as `name` unless an archive of that
    // name is already open (later windows share the first one). Empty bytes:
    // false. A second archive name replaces the first.
    bool OpenArchive(const std::wstring& name, const std::vector<uint8_t>& bytes,
                     std::string* error);
    bool HasArchive() const { return m_Archive.IsOpen(); }
    const std::wstring& ArchiveName() const { return m_ArchiveName; }
    const CSkinArchive& Archive() const { return m_Archive; }
    // How many times an archive was decoded in this process.
    int DecodeCount() const { return m_DecodeCount; }
    // Drops the archive and the image cache (tests and tools).
    void Reset();

    // The bytes of a file: the archive first, then the resource folder.
    // False when neither holds it.
    bool ReadFile(const std::wstring& path, std::vector<uint8_t>* bytes) const;
    bool FileExists(const std::wstring& path) const;

private:
    std::wstring m_ResourcePath;
    std::wstring m_ArchiveName;
    CSkinArchive m_Archive;
    int m_DecodeCount = 0;
};

}  // namespace Toolkit
