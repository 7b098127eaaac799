// Windows as users meet it: paths longer than the system's old limit, names NTFS allows
// that UTF-8 has no place for, files other programs hold, and rights a replaced file keeps.
// The text of names and paths is tested on every system; the platform itself on Windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/Platform.h"
#include "platform/WindowsNames.h"

#ifdef _WIN32
#include <windows.h>

#include <sddl.h>

#include <chrono>
#include <thread>

#include "platform/WindowsFailure.h"
#endif

namespace {
// A folder path over 300 characters below `top`.
std::string deepBelow(const std::string& top, char separator) {
    std::string deep = top;
    for (int level = 0; level < 8; ++level) deep += separator + std::string(40, char('a' + level));
    return deep;
}
}  // namespace

TEST(WindowsNames, AbsolutePathsReachTheSystemInTheFormWithoutALengthLimit) {
    const std::string deep = deepBelow("C:\\Users\\ana\\OneDrive - Survey Ltd\\Photos", '\\');
    struct Case {
        std::string path, system;
    } cases[] = {
        {"C:\\Photos\\IMG_0001.JPG", "\\\\?\\C:\\Photos\\IMG_0001.JPG"},
        {"d:/survey//2024/./out/", "\\\\?\\d:\\survey\\2024\\out"},
        {"C:\\", "\\\\?\\C:\\"},
        {"C:\\survey\\..\\..\\out\\.\\..\\trip.shp", "\\\\?\\C:\\trip.shp"},
        {"\\\\server\\share\\survey\\a.jpg", "\\\\?\\UNC\\server\\share\\survey\\a.jpg"},
        {"//server/share", "\\\\?\\UNC\\server\\share"},
        {"\\\\server\\share\\..\\a.jpg", "\\\\?\\UNC\\server\\share\\a.jpg"},
        {deep + "\\trip.shp.pictrak-saving", "\\\\?\\" + deep + "\\trip.shp.pictrak-saving"},
        // Left to the system: in the form already, or not absolute.
        {"\\\\?\\C:\\a\\..\\b", "\\\\?\\C:\\a\\..\\b"},
        {"\\\\?\\UNC\\server\\share\\a", "\\\\?\\UNC\\server\\share\\a"},
        {"\\\\.\\COM1", "\\\\.\\COM1"},
        {"photos\\a.jpg", "photos\\a.jpg"},
        {"C:a.jpg", "C:a.jpg"},
        {"\\a.jpg", "\\a.jpg"},
        {"\\\\server", "\\\\server"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(longPathForm(c.path), c.system) << c.path;
        if (c.path != c.system && c.path.find_first_of("/.") == std::string::npos) {  // the user's own form back
            EXPECT_EQ(userForm(c.system), c.path);
        }
    }
    EXPECT_EQ(userForm("C:\\a"), "C:\\a");
}

// Every UTF-16 name comes back unchanged after the program's 8-bit form, lone surrogates
// included; bytes that are no character of it stand for U+FFFD each.
TEST(WindowsNames, NamesPassBetweenUtf16AndTheProgramWithoutLoss) {
    struct Case {
        std::u16string name;
        std::string text;
    } both[] = {
        {u"IMG_0001.JPG", "IMG_0001.JPG"},
        {u"\u00C5land Stra\u00DFe \u6E56", "\xC3\x85land Stra\xC3\x9F" "e \xE6\xB9\x96"},
        {u"\U0001F4F7.jpg", "\xF0\x9F\x93\xB7.jpg"},
        {u"a\xD83Dz.jpg", "a\xED\xA0\xBDz.jpg"},                    // a high surrogate alone
        {u"\xDCF7", "\xED\xB3\xB7"},                                // a low one alone
        {u"\xDCF7\xD83D", "\xED\xB3\xB7\xED\xA0\xBD"},              // the two the wrong way round
        {u"\xD83D", "\xED\xA0\xBD"},                                // at the end
        {u"", ""},
    }, read[] = {
        {u"\xFFFD", "\xFF"},
        {u"\xFFFD\xFFFD", "\xC0\xAF"},                              // overlong
        {u"\xFFFD\xFFFD\xFFFD", "\xE0\x80\xAF"},
        {u"\xFFFD\xFFFD\xFFFD\xFFFD", "\xF4\x90\x80\x80"},          // above U+10FFFF
        {u"\xFFFD\xFFFDx", "\xE6\xB9x"},                            // cut short
        {u"\xFFFD\xFFFD\xFFFD", "\xF0\x9F\x93"},
    };
    for (const Case& c : both) {
        EXPECT_EQ(wtf8(c.name.data(), c.name.size()), c.text);
        EXPECT_TRUE(utf16(c.text) == c.name) << c.text;
    }
    for (const Case& c : read) EXPECT_TRUE(utf16(c.text) == c.name) << c.text;
}

#ifdef _WIN32
namespace {
std::wstring wide(const std::string& path) {
    const std::u16string units = utf16(longPathForm(path));
    return std::wstring(units.begin(), units.end());
}

void writeFile(Platform& platform, const std::string& path, const std::string& bytes) {
    std::unique_ptr<File> file;
    ASSERT_TRUE(platform.Open(path, OpenMode::create, file).ok()) << path;
    EXPECT_TRUE(file->WriteAt(0, bytes.data(), bytes.size()).ok());
    EXPECT_TRUE(file->Sync().ok());
    EXPECT_TRUE(file->Close().ok());
}

std::string readFile(Platform& platform, const std::string& path) {
    std::unique_ptr<File> file;
    std::string bytes(64, '\0');
    size_t got = 0;
    if (!platform.Open(path, OpenMode::read, file).ok() || !file->ReadAt(0, bytes.data(), bytes.size(), got).ok())
        return "(cannot be read)";
    return bytes.substr(0, got);
}

bool lists(Platform& platform, const std::string& folder, const std::string& name, EntryKind kind) {
    std::vector<Entry> entries;
    EXPECT_TRUE(platform.List(folder, entries).ok()) << folder;
    for (const Entry& entry : entries)
        if (entry.name == name) return entry.kind == kind;
    return false;
}

std::wstring daclText(const std::string& path) {
    DWORD size = 0;
    GetFileSecurityW(wide(path).c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::string security(size, '\0');
    wchar_t* text = nullptr;
    if (!GetFileSecurityW(wide(path).c_str(), DACL_SECURITY_INFORMATION, security.data(), size, &size) ||
        !ConvertSecurityDescriptorToStringSecurityDescriptorW(security.data(), SDDL_REVISION_1,
                                                              DACL_SECURITY_INFORMATION, &text, nullptr))
        return L"(none)";
    const std::wstring dacl = text;
    LocalFree(text);
    return dacl;
}
}  // namespace

// Wine cannot start a program in such a folder, and its save dialog cannot show one, so the
// window is not tried there; the platform is, as every Save and Read uses it.
TEST(WindowsPlatform, ListsReadsWritesAndMovesInAFolderOver300CharactersLong) {
    TempDir temp;
    const std::unique_ptr<Platform> platform = systemPlatform();
    const std::string deep = deepBelow(temp.path(), '\\');
    ASSERT_GT(deep.size(), 300u);
    std::vector<std::string> made;
    for (const std::string& folder : platform->Chain(deep))
        if (folder.size() > temp.path().size() && CreateDirectoryW(wide(folder).c_str(), nullptr)) made.push_back(folder);
    ASSERT_EQ(made.back(), deep);

    const std::string photo = platform->Child(deep, "IMG_0001.JPG");
    writeFile(*platform, photo, "the photo's bytes");
    EXPECT_TRUE(lists(*platform, deep, "IMG_0001.JPG", EntryKind::file));
    EXPECT_TRUE(lists(*platform, deep.substr(0, deep.rfind('\\')), deep.substr(deep.rfind('\\') + 1), EntryKind::folder));
    EXPECT_EQ(readFile(*platform, photo), "the photo's bytes");
    const std::string saved = platform->Child(deep, "trip.shp.pictrak-saving");
    EXPECT_TRUE(platform->Rename(photo, saved).ok());
    EntryKind kind = EntryKind::other;
    EXPECT_TRUE(platform->Kind(saved, kind).ok() && kind == EntryKind::file);
    EXPECT_TRUE(platform->CheckWritable(saved).ok());
    EXPECT_TRUE(platform->KeepPermissions(saved, saved).ok());
    EXPECT_TRUE(platform->Remove(saved).ok());
    EXPECT_EQ(platform->Kind(saved, kind).error, IoError::notFound);
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder) RemoveDirectoryW(wide(*folder).c_str());
}

TEST(WindowsPlatform, ANameWithALoneSurrogateIsListedReadWrittenAndMoved) {
    TempDir temp;
    const std::unique_ptr<Platform> platform = systemPlatform();
    const std::string name = "IMG\xED\xA0\xBD.JPG", moved = "\xED\xB3\xB7.jpg";  // U+D83D, U+DCF7
    const HANDLE made = CreateFileW(wide(temp / name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (made == INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "this file system takes no lone surrogate in a name (Wine keeps names as Linux's UTF-8)";
    CloseHandle(made);
    EXPECT_TRUE(lists(*platform, temp.path(), name, EntryKind::file));
    writeFile(*platform, temp / name, "written");
    EXPECT_EQ(readFile(*platform, temp / name), "written");
    EXPECT_TRUE(platform->Rename(temp / name, temp / moved).ok());
    EXPECT_NE(GetFileAttributesW((wide(temp.path()) + L"\\\xDCF7.jpg").c_str()), INVALID_FILE_ATTRIBUTES);
}

// As a GIS program holds a .dbf it shows: open to read and write, shared for both, not for
// deleting, so it cannot be moved aside.
TEST(WindowsPlatform, AFileAnotherProgramHoldsIsRefusedAndAShortHoldWaitedFor) {
    TempDir temp;
    const std::unique_ptr<Platform> platform = systemPlatform();
    writeFile(*platform, temp / "trip.dbf", "earlier");
    const auto hold = [&] {
        return CreateFileW(wide(temp / "trip.dbf").c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    };
    HANDLE held = hold();
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(platform->CheckWritable(temp / "trip.dbf").error, IoError::held);
    EXPECT_EQ(platform->Rename(temp / "trip.dbf", temp / "trip.dbf.pictrak-old").error, IoError::held);
    CloseHandle(held);

    held = hold();
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        CloseHandle(held);
    });
    EXPECT_TRUE(platform->Rename(temp / "trip.dbf", temp / "trip.dbf.pictrak-old").ok());
    release.join();
    EXPECT_TRUE(platform->CheckWritable(temp / "trip.dbf.pictrak-old").ok());
}

TEST(WindowsPlatform, AReplacedFileKeepsTheEarlierRightsAndHiddenAttribute) {
    TempDir temp;
    const std::unique_ptr<Platform> platform = systemPlatform();
    writeFile(*platform, temp / "trip.dbf", "earlier");
    writeFile(*platform, temp / "trip.dbf.pictrak-new", "new");
    // Full control for the owner, reading for everyone, and nothing from the folder.
    PSECURITY_DESCRIPTOR rights = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;OW)(A;;FR;;;WD)", SDDL_REVISION_1,
                                                                     &rights, nullptr));
    ASSERT_TRUE(SetFileSecurityW(wide(temp / "trip.dbf").c_str(), DACL_SECURITY_INFORMATION, rights));
    LocalFree(rights);
    ASSERT_TRUE(SetFileAttributesW(wide(temp / "trip.dbf").c_str(), FILE_ATTRIBUTE_HIDDEN));
    // Wine makes a file's rights up from its Linux permission bits, and keeps none of its own.
    const bool keepsRights = daclText(temp / "trip.dbf") != daclText(temp / "trip.dbf.pictrak-new");

    EXPECT_TRUE(platform->KeepPermissions(temp / "trip.dbf", temp / "trip.dbf.pictrak-new").ok());
    if (keepsRights) {
        EXPECT_EQ(daclText(temp / "trip.dbf.pictrak-new"), daclText(temp / "trip.dbf"));
    }
    const DWORD attributes = GetFileAttributesW(wide(temp / "trip.dbf.pictrak-new").c_str());
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_ARCHIVE) << "new content, for a backup to take";
}

// What Wine's storage cannot show: shares, card readers and quotas, by the codes Windows
// gives for them; and no system box when a drive has nothing in it.
TEST(WindowsPlatform, SharesAndCardReadersFailAsTheUserCanAct) {
    struct Case {
        DWORD error;
        IoError kind, whenSyncing;
    } cases[] = {  // 1295: ERROR_DISK_QUOTA_EXCEEDED, newer than MinGW-w64's headers
        {ERROR_INVALID_FUNCTION, IoError::other, IoError::none},  // a share or card that cannot flush
        {ERROR_NOT_SUPPORTED, IoError::other, IoError::none},
        {1295, IoError::diskFull, IoError::diskFull},
        {ERROR_HANDLE_DISK_FULL, IoError::diskFull, IoError::diskFull},
        {ERROR_NOT_READY, IoError::pathNotFound, IoError::pathNotFound},  // a card reader without a card
        {ERROR_NO_MEDIA_IN_DRIVE, IoError::pathNotFound, IoError::pathNotFound},
        {ERROR_BAD_NETPATH, IoError::pathNotFound, IoError::pathNotFound},  // a share whose server is gone
        {ERROR_NETWORK_UNREACHABLE, IoError::pathNotFound, IoError::pathNotFound},
        {ERROR_SHARING_VIOLATION, IoError::held, IoError::held},
        {ERROR_LOCK_VIOLATION, IoError::held, IoError::held},
        {ERROR_ACCESS_DENIED, IoError::permission, IoError::permission},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(windowsFailure(c.error).error, c.kind) << c.error;
        EXPECT_EQ(windowsSyncFailure(c.error).error, c.whenSyncing) << c.error;
    }
    EXPECT_FALSE(windowsFailure(ERROR_NOT_READY).detail.empty());
    const UINT testsOwn = SetErrorMode(0);  // GoogleTest sets one of its own
    const std::unique_ptr<Platform> platform = systemPlatform();
    EXPECT_TRUE(SetErrorMode(testsOwn) & SEM_FAILCRITICALERRORS);
}
#endif
