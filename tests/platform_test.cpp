// Windows as users meet it: long paths, names UTF-8 has no place for, files other programs
// hold, shares and cards. The text of paths and names is tested on every system.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/Platform.h"
#include "platform/WindowsNames.h"

TEST(WindowsNames, AbsolutePathsReachTheSystemInTheFormWithoutALengthLimit) {
    std::string deep = "C:\\Users\\ana\\OneDrive - Survey Ltd";
    while (deep.size() < 300) deep += "\\" + std::string(40, 'f');
    struct Case {
        std::string path, system;
    } cases[] = {
        {"C:\\Photos\\IMG_0001.JPG", "\\\\?\\C:\\Photos\\IMG_0001.JPG"}, {"C:\\", "\\\\?\\C:\\"},
        {"d:/survey//2024/./out/", "\\\\?\\d:\\survey\\2024\\out"},
        {"C:\\survey\\..\\..\\out\\.\\..\\trip.shp", "\\\\?\\C:\\trip.shp"},
        {"\\\\server\\share\\survey\\a.jpg", "\\\\?\\UNC\\server\\share\\survey\\a.jpg"},
        {"//server/share", "\\\\?\\UNC\\server\\share"}, {"\\\\server\\share\\..\\a", "\\\\?\\UNC\\server\\share\\a"},
        {deep + "\\trip.shp.pictrak-saving", "\\\\?\\" + deep + "\\trip.shp.pictrak-saving"},
        // Left as they are: in that form already, or not absolute.
        {"\\\\?\\C:\\a\\..\\b", "\\\\?\\C:\\a\\..\\b"}, {"\\\\.\\COM1", "\\\\.\\COM1"}, {"photos\\a", "photos\\a"},
        {"C:a.jpg", "C:a.jpg"}, {"\\a.jpg", "\\a.jpg"}, {"\\\\server", "\\\\server"}, {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(longPathForm(c.path), c.system) << c.path;
        if (c.path != c.system && c.path.find_first_of("/.") == std::string::npos) {  // the user's own form back
            EXPECT_EQ(userForm(c.system), c.path);
        }
    }
}

// Every UTF-16 name comes back unchanged from the program's 8-bit form, lone surrogates
// included; a byte that starts no character of it stands for U+FFFD.
TEST(WindowsNames, NamesPassBetweenUtf16AndTheProgramWithoutLoss) {
    struct Case {
        std::u16string name;
        std::string text;
    } both[] = {
        {u"IMG_0001.JPG", "IMG_0001.JPG"},
        {u"\u00C5land Stra\u00DFe \u6E56", "\xC3\x85land Stra\xC3\x9F" "e \xE6\xB9\x96"},
        {u"\U0001F4F7.jpg", "\xF0\x9F\x93\xB7.jpg"}, {u"a\xD83Dz.jpg", "a\xED\xA0\xBDz.jpg"},  // a high surrogate alone
        {u"\xDCF7\xD83D", "\xED\xB3\xB7\xED\xA0\xBD"},  // a low and a high one, the wrong way round
        {u"\xD83D", "\xED\xA0\xBD"}, {u"", ""},
    }, read[] = {
        {u"\xFFFD", "\xFF"}, {u"\xFFFD\xFFFD", "\xC0\xAF"}, {u"\xFFFD\xFFFD\xFFFD", "\xE0\x80\xAF"},  // overlong
        {u"\xFFFD\xFFFD\xFFFD\xFFFD", "\xF4\x90\x80\x80"},  // above U+10FFFF
        {u"\xFFFD\xFFFDx", "\xE6\xB9x"}, {u"\xFFFD\xFFFD\xFFFD", "\xF0\x9F\x93"},  // cut short
    };
    for (const Case& c : both) {
        EXPECT_EQ(wtf8(c.name.data(), c.name.size()), c.text);
        EXPECT_TRUE(utf16(c.text) == c.name) << c.text;
    }
    for (const Case& c : read) EXPECT_TRUE(utf16(c.text) == c.name) << c.text;
}

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>
#include <vector>

#include "platform/WindowsFailure.h"

namespace {
std::wstring wide(const std::string& path) {
    const std::u16string units = utf16(longPathForm(path));
    return std::wstring(units.begin(), units.end());
}

bool lists(Platform& platform, const std::string& folder, const std::string& name) {
    std::vector<Entry> entries;
    EXPECT_TRUE(platform.List(folder, entries).ok()) << folder;
    return std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.name == name; }) != entries.end();
}
}  // namespace

// Wine cannot start a program in such a folder nor show one in its save dialog, and its
// names cannot hold a lone surrogate: the platform is tested on its own, as Read and Save use it.
TEST(WindowsPlatform, ReadsWritesAndReplacesHeldFilesInAFolderOver300CharactersLongWithAnyName) {
    TempDir temp;
    const std::unique_ptr<Platform> platform = systemPlatform();
    std::vector<std::string> made = {temp.path()};
    while (made.back().size() < 300) {
        made.push_back(platform->Child(made.back(), std::string(40, char('a' + made.size()))));
        ASSERT_TRUE(CreateDirectoryW(wide(made.back()).c_str(), nullptr));
    }
    EXPECT_TRUE(lists(*platform, made[made.size() - 2], made.back().substr(made.back().rfind('\\') + 1)));
    std::string unnamed;
    for (const std::string name : {"IMG_0001.JPG", "IMG\xED\xA0\xBD.JPG"}) {  // U+D83D alone
        const std::string photo = platform->Child(made.back(), name), fresh = photo + ".pictrak-new";
        std::unique_ptr<File> file;
        if (!platform->Open(photo, OpenMode::createNew, file).ok() && name != "IMG_0001.JPG") {
            unnamed = name;
            continue;
        }
        char bytes[8] = {};
        size_t got = 0;
        ASSERT_TRUE(file && file->WriteAt(0, "bytes", 5).ok() && file->Sync().ok() && file->Close().ok()) << name;
        EXPECT_TRUE(platform->Open(photo, OpenMode::read, file).ok() && file->ReadAt(0, bytes, 8, got).ok());
        EXPECT_EQ(std::string(bytes, got), "bytes");
        EXPECT_TRUE(lists(*platform, made.back(), name)) << name;
        // Replaced as a Save replaces it, while a GIS program holds it as it holds a .dbf it
        // shows: shared for reading and writing, not for moving. The new file keeps the
        // earlier one's hidden attribute.
        ASSERT_TRUE(SetFileAttributesW(wide(photo).c_str(), FILE_ATTRIBUTE_HIDDEN));
        EXPECT_TRUE(platform->Open(fresh, OpenMode::createNew, file).ok() && platform->KeepPermissions(photo, fresh).ok());
        file.reset();
        const HANDLE held = CreateFileW(wide(photo).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(platform->Open(photo, OpenMode::replace, file).error, IoError::held) << "refused before anything is written";
        std::thread release([&] {  // a short hold is waited for
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            CloseHandle(held);
        });
        EXPECT_TRUE(platform->Rename(photo, photo + ".pictrak-old").ok());
        release.join();
        EXPECT_TRUE(platform->Rename(fresh, photo).ok() && platform->Remove(photo + ".pictrak-old").ok());
        EXPECT_EQ(GetFileAttributesW(wide(photo).c_str()), DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE});
        EXPECT_TRUE(platform->Remove(photo).ok());
    }
    for (auto folder = made.rbegin(); folder + 1 != made.rend(); ++folder) RemoveDirectoryW(wide(*folder).c_str());
    if (!unnamed.empty()) std::cout << "no name with a lone surrogate here (Wine's names cannot hold one)\n";
}

// Shares, card readers and quotas, which Wine's storage cannot show, by the codes Windows
// gives for them; and no box of the system's own when a drive has nothing in it.
TEST(WindowsPlatform, SharesAndCardReadersFailAsTheUserCanAct) {
    const std::pair<DWORD, IoError> cases[] = {  // 1295: a quota exceeded, newer than MinGW-w64's headers
        {1295, IoError::diskFull}, {ERROR_HANDLE_DISK_FULL, IoError::diskFull}, {ERROR_INVALID_FUNCTION, IoError::other},
        {ERROR_NOT_READY, IoError::pathNotFound}, {ERROR_NO_MEDIA_IN_DRIVE, IoError::pathNotFound},  // card readers
        {ERROR_BAD_NETPATH, IoError::pathNotFound}, {ERROR_NETWORK_UNREACHABLE, IoError::pathNotFound},  // shares
        {ERROR_SHARING_VIOLATION, IoError::held}, {ERROR_LOCK_VIOLATION, IoError::held},
    };
    for (const auto& [error, kind] : cases) EXPECT_EQ(windowsFailure(error).error, kind) << error;
    // A share or card that cannot flush has taken what was written as far as it can.
    for (DWORD error : {ERROR_INVALID_FUNCTION, ERROR_NOT_SUPPORTED}) EXPECT_TRUE(windowsSyncFailure(error).ok());
    EXPECT_EQ(windowsSyncFailure(ERROR_HANDLE_DISK_FULL).error, IoError::diskFull);
    const UINT testsOwn = SetErrorMode(0);  // GoogleTest sets one of its own
    const std::unique_ptr<Platform> platform = systemPlatform();
    EXPECT_TRUE(SetErrorMode(testsOwn) & SEM_FAILCRITICALERRORS);
}
#endif
