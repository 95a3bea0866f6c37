// The skin archive: decoding, look-up rules, the embedded resource, the
// folder fallback and bad archives.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "ToolkitTestSupport.h"
#include "platform/Resources.h"
#include "support/TempHome.h"

using namespace Toolkit;

namespace {

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

std::vector<uint8_t> TestArchive() { return ReadBytes(TOOLKIT_TEST_ARCHIVE); }

}  // namespace

TEST(ToolkitArchive, TheBuildPacksASolidLzma2SevenZipArchive) {
    std::vector<uint8_t> bytes = TestArchive();
    ASSERT_GT(bytes.size(), 32u);
    const uint8_t signature[6] = {0x37, 0x7A, 0xBC, 0xAF, 0x27, 0x1C};
    EXPECT_TRUE(std::equal(signature, signature + 6, bytes.begin()));
    EXPECT_EQ(bytes[6], 0);  // format version 0.4
    EXPECT_EQ(bytes[7], 4);
}

TEST(ToolkitArchive, LookUpIgnoresCaseAndSeparators) {
    CSkinArchive archive;
    std::string error;
    ASSERT_TRUE(archive.Open(TestArchive(), &error)) << error;
    const CSkinArchive::Entry* layout = archive.Find(std::wstring(L"mainWnd.xml"));
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->name, "mainWnd.xml");
    struct Case {
        const wchar_t* path;
        const char* stored;  // null: absent
    } cases[] = {
        {L"MainWnd.xml", "mainWnd.xml"},
        {L"MAINWND.XML", "mainWnd.xml"},
        {L"res\\Common\\nine.png", "res/Common/nine.png"},
        {L"res/common/NINE.png", "res/Common/nine.png"},
        {L"RES\\COMMON/nine.PNG", "res/Common/nine.png"},
        {L"/res/Common/nine.png", "res/Common/nine.png"},
        {L"res", nullptr},  // folders are not entries
        {L"res/Common/nothere.png", nullptr},
        {L"nine.png", nullptr},
    };
    for (const Case& c : cases) {
        const CSkinArchive::Entry* e = archive.Find(std::wstring(c.path));
        if (c.stored) {
            ASSERT_NE(e, nullptr) << Utils::ToUtf8(c.path);
            EXPECT_EQ(e->name, c.stored);
            EXPECT_FALSE(e->bytes.empty());
        } else {
            EXPECT_EQ(e, nullptr) << Utils::ToUtf8(c.path);
        }
    }
    // Every file of the folder, decoded completely.
    EXPECT_EQ(archive.Entries().size(), 10u);
    std::vector<uint8_t> onDisk = ReadBytes(TOOLKIT_TEST_DATA "/skin/res/Common/nine.png");
    EXPECT_EQ(archive.Find(std::wstring(L"res/common/nine.png"))->bytes, onDisk);
}

TEST(ToolkitArchive, BadArchivesAreRefusedWithAReason) {
    CSkinArchive archive;
    std::string error;
    EXPECT_FALSE(archive.Open({}, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(archive.Open(ReadBytes(TOOLKIT_TEST_DATA "/broken/corrupt.7z"), &error));
    EXPECT_FALSE(error.empty());
    // A real archive cut short: the solid block cannot be decoded.
    std::vector<uint8_t> cut = TestArchive();
    cut.resize(cut.size() / 2);
    EXPECT_FALSE(archive.Open(cut, &error));
    EXPECT_FALSE(archive.IsOpen());
    // Damaged in the middle of the compressed data.
    std::vector<uint8_t> damaged = TestArchive();
    for (size_t i = 40; i < 200 && i < damaged.size(); ++i) damaged[i] ^= 0x5A;
    EXPECT_FALSE(archive.Open(damaged, &error));
}

TEST(ToolkitArchive, EmbeddedResourcesAreFoundByTypeAndNumber) {
    Platform::ResourceData skin = Platform::FindResource("ZIPRES", 147);
    ASSERT_FALSE(skin.empty());
    std::vector<uint8_t> bytes(skin.data, skin.data + skin.size);
    EXPECT_EQ(bytes, TestArchive());
    EXPECT_FALSE(Platform::FindResource("ICON", 145).empty());
    EXPECT_TRUE(Platform::FindResource("ZIPRES", 146).empty());
    EXPECT_TRUE(Platform::FindResource("zipres", 147).empty());
}

class ToolkitArchiveWindows : public tktest::HeadlessTest {};

TEST_F(ToolkitArchiveWindows, TheArchiveIsDecodedOnceForAllWindows) {
    int decodedBefore = CResourceManager::Instance().DecodeCount();
    tktest::TestWindow a, b;
    a.layout = L"MainWnd.xml";
    b.layout = L"DIALOG.XML";
    ASSERT_NE(a.Create(0, L"a", 0, 0), 0u);
    ASSERT_NE(b.Create(a.GetHWND(), L"b", 0, 0), 0u);
    EXPECT_EQ(CResourceManager::Instance().DecodeCount(), decodedBefore + 1);
    EXPECT_EQ(CResourceManager::Instance().ArchiveName(), L"membuffer");
    EXPECT_EQ(a.initCalls, 1);
    EXPECT_EQ(b.initCalls, 1);
    EXPECT_NE(b.Find<CControlUI>(L"okBtn"), nullptr);
    b.DestroyWindow();
    a.DestroyWindow();
}

TEST_F(ToolkitArchiveWindows, TheResourceFolderIsTheFallback) {
    // An archive without the image: the folder beside the executable has it.
    std::string folder = testsupport::CurrentTestHome() + "/app/";
    testsupport::MakeDirs(folder + "res/extra");
    std::vector<uint8_t> png = ReadBytes(TOOLKIT_TEST_DATA "/skin/res/Common/check_on.png");
    testsupport::WriteFile(folder + "res/extra/only-on-disk.png",
                           std::string(png.begin(), png.end()));
    CPaintManagerUI::SetResourcePath(Utils::FromUtf8(folder));
    std::string error;
    ASSERT_TRUE(CResourceManager::Instance().OpenArchive(L"membuffer", TestArchive(), &error))
        << error;
    std::vector<uint8_t> got;
    EXPECT_TRUE(CResourceManager::Instance().ReadFile(L"res\\extra\\only-on-disk.png", &got));
    EXPECT_EQ(got, png);
    EXPECT_TRUE(
        CResourceManager::Instance().ReadFile(L"RES/COMMON/NINE.PNG", &got));  // from the archive
    EXPECT_FALSE(CResourceManager::Instance().FileExists(L"res/extra/absent.png"));
    EXPECT_NE(CImageCache::Instance().Get(L"res/extra/only-on-disk.png", false, 0), nullptr);
    EXPECT_EQ(CImageCache::Instance().Get(L"res/extra/absent.png", false, 0), nullptr);
}
