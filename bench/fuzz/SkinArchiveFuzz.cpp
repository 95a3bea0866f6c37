// The skin package: a 7z archive decoded completely by the toolkit's
// resource layer, cut or corrupted anywhere.
//
// Input: the archive; it is tried as it is and, when it is a 7z archive,
// with its header checksums made right.
//
// Properties: a refused archive says why and leaves the archive object as
// it was (still open with the earlier contents); an accepted one finds each
// of its files by its stored name, in either separator and any case, and the
// resource manager reads the same bytes.
#include <zlib.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "toolkit/UIResource.h"
#include "utils/Text.h"

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

void PutLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// The archive with the checksums of its two headers made right again, so
// that a corrupted header is parsed instead of being refused at its CRC.
std::vector<uint8_t> WithHeaderCrcs(std::vector<uint8_t> b) {
    static const uint8_t kSignature[] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
    if (b.size() < 32 || !std::equal(std::begin(kSignature), std::end(kSignature), b.begin()))
        return b;
    const uint64_t offset = Le32(b, 12) | static_cast<uint64_t>(Le32(b, 16)) << 32;
    const uint64_t size = Le32(b, 20) | static_cast<uint64_t>(Le32(b, 24)) << 32;
    if (offset <= b.size() - 32 && size <= b.size() - 32 - offset)
        PutLe32(b, 28, crc32(0, b.data() + 32 + offset, static_cast<uInt>(size)));
    PutLe32(b, 8, crc32(0, b.data() + 12, 20));
    return b;
}

std::wstring Shouted(const std::string& utf8) {
    std::wstring w = Utils::FromUtf8(utf8);
    for (wchar_t& c : w) {
        if (c >= L'a' && c <= L'z') c = c - L'a' + L'A';
        if (c == L'/') c = L'\\';
    }
    return w;
}

void Check(const std::vector<uint8_t>& bytes) {
    // An archive that opened before must stay as it was when a later one
    // fails to open in the same object.
    static Toolkit::CSkinArchive before;
    const size_t entriesBefore = before.Entries().size();
    const bool wasOpen = before.IsOpen();

    Toolkit::CSkinArchive archive;
    std::string error;
    if (!archive.Open(bytes, &error)) {
        FUZZ_CHECK(!error.empty(), "a refused archive without a reason");
        FUZZ_CHECK(!archive.IsOpen() && archive.Entries().empty(), "a refused archive is open");
        std::string again;
        if (wasOpen) {
            FUZZ_CHECK(!before.Open(bytes, &again), "the same bytes opened the second time");
            FUZZ_CHECK(before.IsOpen() && before.Entries().size() == entriesBefore,
                       "a failed open changed the archive that was open");
        }
        return;
    }
    for (const auto& entry : archive.Entries()) {
        const auto* found = archive.Find(entry.name);
        FUZZ_CHECK(found != nullptr, "a stored file is not found by its own name");
        // Names that differ only in case or separator are one key; the
        // look-up gives one of them, whose bytes must match its own entry.
        const auto* shouted = archive.Find(Shouted(entry.name));
        FUZZ_CHECK(shouted != nullptr, "a stored file is not found in upper case");
        FUZZ_CHECK(Toolkit::CSkinArchive::NormaliseKey(Utils::FromUtf8(shouted->name)) ==
                       Toolkit::CSkinArchive::NormaliseKey(Utils::FromUtf8(entry.name)),
                   "the upper-case look-up found another file");
    }
    if (archive.Entries().size() > entriesBefore || !wasOpen) {
        std::string ignored;
        before.Open(bytes, &ignored);
    }

    auto& resources = Toolkit::CResourceManager::Instance();
    resources.Reset();
    if (resources.OpenArchive(L"fuzz", bytes, &error) && !archive.Entries().empty()) {
        const auto& first = archive.Entries().front();
        std::vector<uint8_t> read;
        if (resources.ReadFile(Utils::FromUtf8(first.name), &read)) {
            const auto* found = archive.Find(first.name);
            FUZZ_CHECK(read == found->bytes, "the resource manager read other bytes");
        }
    }
    resources.Reset();
}

}  // namespace

// libarchive asks for as much memory as a corrupt header declares and
// handles a refusal; a refusal is what a real allocator gives for such
// sizes, while the sanitizer would end the run instead.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::PrivateHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    Check(bytes);
    const std::vector<uint8_t> repaired = WithHeaderCrcs(bytes);
    if (repaired != bytes) Check(repaired);
    return 0;
}
