#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/WindowsFailure.h"
#include "platform/WindowsNames.h"

#ifndef ERROR_DISK_QUOTA_EXCEEDED  // newer than MinGW-w64's headers
#define ERROR_DISK_QUOTA_EXCEEDED 1295L
#endif

namespace {
std::wstring wide(const std::string& text) {
    const std::u16string units = utf16(text);
    return std::wstring(units.begin(), units.end());
}
std::string narrow(const wchar_t* text, size_t size) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 units");
    return wtf8(reinterpret_cast<const char16_t*>(text), size);
}
std::string narrow(const std::wstring& text) { return narrow(text.data(), text.size()); }
// Every absolute path reaches the system in the form that has no length limit.
std::wstring systemPath(const std::string& path) { return wide(longPathForm(path)); }

IoStatus lastError() { return windowsFailure(GetLastError()); }

// A file another program holds for a moment (a virus scanner, the search indexer, a sync
// client) is asked for again for about a second before that counts as a failure.
template <class Call>
IoStatus unlessHeldForLong(Call call) {
    for (int attempt = 1;; ++attempt) {
        const IoStatus status = call();
        if (status.error != IoError::held || attempt == 10) return status;
        Sleep(100);
    }
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

class WindowsFile : public File {
public:
    explicit WindowsFile(HANDLE handle) : handle_(handle) {}
    ~WindowsFile() override {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }

    IoStatus ReadAt(uint64_t offset, void* into, size_t size, size_t& got) override {
        got = 0;
        while (got < size) {
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(offset + got);
            at.OffsetHigh = static_cast<DWORD>((offset + got) >> 32);
            DWORD n = 0;
            const DWORD ask = static_cast<DWORD>(std::min<size_t>(size - got, 1u << 30));
            if (!ReadFile(handle_, static_cast<char*>(into) + got, ask, &n, &at)) {
                if (GetLastError() == ERROR_HANDLE_EOF) break;
                return lastError();
            }
            if (n == 0) break;
            got += n;
        }
        return {};
    }
    IoStatus WriteAt(uint64_t offset, const void* data, size_t size) override {
        for (size_t done = 0; done < size;) {
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(offset + done);
            at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
            DWORD n = 0;
            const DWORD ask = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
            if (!WriteFile(handle_, static_cast<const char*>(data) + done, ask, &n, &at)) return lastError();
            done += n;
        }
        return {};
    }
    IoStatus Size(uint64_t& size) override {
        LARGE_INTEGER value;
        if (!GetFileSizeEx(handle_, &value)) return lastError();
        size = static_cast<uint64_t>(value.QuadPart);
        return {};
    }
    IoStatus Sync() override { return FlushFileBuffers(handle_) ? IoStatus{} : windowsSyncFailure(GetLastError()); }
    IoStatus Close() override {
        const BOOL closed = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed ? IoStatus{} : lastError();
    }

private:
    HANDLE handle_;
};

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class WindowsPlatform : public Platform {
public:
    // An empty card reader or a mapped drive whose server is gone fails the call that
    // touches it, instead of the system asking the user in a box of its own.
    WindowsPlatform() { SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX); }

    IoStatus Open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) override {
        file.reset();
        // Moving a file aside takes the right to delete it, and that every program holding it
        // open lets it be deleted: a GIS program with the .dbf open usually does not.
        const DWORD access = mode == OpenMode::read      ? GENERIC_READ
                             : mode == OpenMode::replace ? GENERIC_READ | GENERIC_WRITE | DELETE
                                                         : GENERIC_READ | GENERIC_WRITE;
        const DWORD how = mode == OpenMode::createNew ? CREATE_NEW : OPEN_EXISTING;
        // A file opened for reading is read where asked, not ahead. A new file's name is
        // looked at as it is: a link there is a name taken, never a way to another file.
        const DWORD flags = mode == OpenMode::read        ? FILE_FLAG_RANDOM_ACCESS
                            : mode == OpenMode::createNew ? FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT
                                                          : FILE_ATTRIBUTE_NORMAL;
        HANDLE handle = INVALID_HANDLE_VALUE;
        const auto open = [&] {
            handle = CreateFileW(systemPath(path).c_str(), access, shareAll, nullptr, how, flags, nullptr);
            return handle == INVALID_HANDLE_VALUE ? lastError() : IoStatus{};
        };
        // A photo held by another program is not waited for: a Read of thousands would stall.
        const IoStatus status = mode == OpenMode::read ? open() : unlessHeldForLong(open);
        if (!status.ok()) {
            EntryKind kind = EntryKind::other;
            if (status.error == IoError::permission && Kind(path, kind).ok() && kind == EntryKind::folder)
                return {IoError::notAFile, "not a regular file"};
            return status;
        }
        auto opened = std::make_unique<WindowsFile>(handle);
        if (GetFileType(handle) != FILE_TYPE_DISK) return {IoError::notAFile, "not a regular file"};
        file = std::move(opened);
        return {};
    }

    IoStatus Kind(const std::string& path, EntryKind& kind) override {
        const DWORD attributes = GetFileAttributesW(systemPath(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return lastError();
        kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::folder
               : (attributes & FILE_ATTRIBUTE_DEVICE)  ? EntryKind::other
                                                       : EntryKind::file;
        return {};
    }
    IoStatus Rename(const std::string& from, const std::string& to) override {
        return unlessHeldForLong([&] {
            const BOOL moved = MoveFileExW(systemPath(from).c_str(), systemPath(to).c_str(),
                                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
            return moved ? IoStatus{} : lastError();
        });
    }
    IoStatus Remove(const std::string& path) override {
        return unlessHeldForLong([&] { return DeleteFileW(systemPath(path).c_str()) ? IoStatus{} : lastError(); });
    }
    // The earlier file's access rights (its DACL, inherited entries included, as both files
    // share a folder) and its hidden and not-indexed attributes, where the storage lets this
    // user set them (a share may not let the rights be set: the new file then has what its
    // folder gives, and the Save goes on). A read-only earlier file never comes here (opening
    // it to replace it refuses it), and the archive attribute stays set, as the system sets
    // it on all new content, so that a backup takes it.
    // Both are set through the file itself, opened as it is: a link put in its place is
    // refused, never followed to hand the rights to the file it names.
    IoStatus KeepPermissions(const std::string& from, const std::string& onto) override {
        const std::wstring source = systemPath(from), target = systemPath(onto);
        const DWORD attributes = GetFileAttributesW(source.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return lastError();
        const auto openTarget = [&](DWORD access) {
            return CreateFileW(target.c_str(), access | FILE_READ_ATTRIBUTES, shareAll,
                               nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        };
        // What the storage lets this user set is set (a share may keep the rights its own way).
        HANDLE handle = INVALID_HANDLE_VALUE;
        for (const DWORD access : {DWORD{WRITE_DAC | FILE_WRITE_ATTRIBUTES}, DWORD{WRITE_DAC},
                                   DWORD{FILE_WRITE_ATTRIBUTES}, DWORD{0}})
            if ((handle = openTarget(access)) != INVALID_HANDLE_VALUE) break;
        if (handle == INVALID_HANDLE_VALUE) return lastError();
        IoStatus status;
        FILE_ATTRIBUTE_TAG_INFO tag{};
        if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) {
            status = lastError();
        } else if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(tag.ReparseTag)) {
            status = {IoError::other, "a link was put in its place"};  // a sync client's placeholder is no link
        } else {
            DWORD size = 0;
            GetFileSecurityW(source.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
            std::vector<char> security(size);
            if (size > 0 && GetFileSecurityW(source.c_str(), DACL_SECURITY_INFORMATION, security.data(), size, &size))
                SetKernelObjectSecurity(handle, DACL_SECURITY_INFORMATION, security.data());
            const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
            if (kept != 0) {
                FILE_BASIC_INFO change{};  // times of zero stay as they are
                change.FileAttributes = (tag.FileAttributes & ~FILE_ATTRIBUTE_NORMAL) | kept;
                SetFileInformationByHandle(handle, FileBasicInfo, &change, sizeof change);
            }
        }
        CloseHandle(handle);
        return status;
    }
    // NTFS keeps its folders in its journal, and every move is written through.
    IoStatus SyncFolder(const std::string&) override { return {}; }

    // The attributes come with the listing: a link to a folder (a junction, too) carries the
    // folder's, so Kind is never asked.
    IoStatus ReadFolder(const std::string& folder, std::vector<Entry>& entries) override {
        entries.clear();
        std::wstring pattern = systemPath(folder);
        if (pattern.empty() || (pattern.back() != L'\\' && pattern.back() != L'/')) pattern += L'\\';
        pattern += L'*';
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                               FIND_FIRST_EX_LARGE_FETCH);
        if (search == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND) return {};  // a drive with nothing on it
            return windowsFailure(error);
        }
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const DWORD a = found.dwFileAttributes;
            Entry entry{narrow(name), (a & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::folder : EntryKind::file};
            entry.hidden = (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
            entries.push_back(std::move(entry));
        } while (FindNextFileW(search, &found));
        const DWORD error = GetLastError();
        FindClose(search);
        // A share that breaks off in the middle gives no half a folder.
        if (error == ERROR_NO_MORE_FILES) return {};
        entries.clear();
        return windowsFailure(error);
    }
    std::string CurrentFolder() override {
        const DWORD length = GetCurrentDirectoryW(0, nullptr);
        std::wstring folder(length, L'\0');
        const DWORD got = GetCurrentDirectoryW(length, folder.data());
        if (got == 0 || got >= length) return "";
        folder.resize(got);
        return Clean(userForm(narrow(folder)));
    }
    std::string ProgramFolder() override {
        std::wstring program(32768, L'\0');
        const DWORD length = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
        if (length == 0 || length >= program.size()) return "";
        program.resize(length);
        const std::string path = userForm(narrow(program));
        return Clean(path.substr(0, path.find_last_of("\\/") + 1));
    }

    char Separator() const override { return '\\'; }
    bool IsAbsolute(const std::string& path) const override { return !root(path).empty(); }
    std::vector<std::string> Roots() override {
        std::vector<std::string> roots;
        const DWORD drives = GetLogicalDrives();
        for (int letter = 0; letter < 26; ++letter)
            if (drives & (1u << letter)) roots.push_back(std::string(1, static_cast<char>('A' + letter)) + ":\\");
        return roots;
    }
    // "C:\" and "\\server\share" are roots; below them each name once, without a trailing
    // separator.
    std::string Clean(const std::string& folder) const override {
        const std::string top = root(folder);
        if (top.empty()) return folder;
        std::string clean = top;
        for (size_t at = rootLength(folder); at < folder.size();) {
            size_t end = at;
            while (end < folder.size() && !isSeparator(folder[end])) ++end;
            if (end > at) {
                if (clean.back() != '\\') clean += '\\';
                clean += folder.substr(at, end - at);
            }
            at = end + 1;
        }
        return clean;
    }
    std::vector<std::string> Chain(const std::string& folder) const override {
        const std::string clean = Clean(folder);
        const std::string top = root(clean);
        if (top.empty()) return {};
        std::vector<std::string> chain = {top};
        for (size_t at = top.size() + 1; at < clean.size(); ++at)
            if (clean[at] == '\\') chain.push_back(clean.substr(0, at));
        if (clean != top) chain.push_back(clean);
        return chain;
    }

    std::string DisplayProblem() override { return ""; }

private:
    // "C:\" for a drive, "\\server\share" for a share; "" for a path that is not absolute.
    static std::string root(const std::string& path) {
        const size_t length = rootLength(path);
        if (length == 0) return "";
        std::string top = path.substr(0, length);
        for (char& c : top)
            if (c == '/') c = '\\';
        if (length == 3) top[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(top[0])));
        return top;
    }
};
}  // namespace

IoStatus windowsFailure(unsigned long error) {
    IoError kind;
    switch (error) {
    case ERROR_FILE_NOT_FOUND: kind = IoError::notFound; break;
    // What cannot be reached: a drive without its medium, an unformatted card, a share whose
    // server or network is gone.
    case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_DRIVE: case ERROR_INVALID_NAME: case ERROR_NOT_READY:
    case ERROR_NO_MEDIA_IN_DRIVE: case ERROR_UNRECOGNIZED_VOLUME: case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_NETPATH: case ERROR_BAD_NET_NAME: case ERROR_NETNAME_DELETED: case ERROR_UNEXP_NET_ERR:
    case ERROR_NETWORK_UNREACHABLE: case ERROR_HOST_UNREACHABLE: case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_CONNECTION_UNAVAIL: case ERROR_NO_NET_OR_BAD_PATH: case ERROR_BAD_NET_RESP:
        kind = IoError::pathNotFound; break;
    case ERROR_ACCESS_DENIED: case ERROR_WRITE_PROTECT: kind = IoError::permission; break;
    case ERROR_SHARING_VIOLATION: case ERROR_LOCK_VIOLATION: case ERROR_USER_MAPPED_FILE: kind = IoError::held; break;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: case ERROR_DISK_QUOTA_EXCEEDED: kind = IoError::diskFull; break;
    case ERROR_FILE_EXISTS: case ERROR_ALREADY_EXISTS: kind = IoError::exists; break;
    case ERROR_SEM_TIMEOUT: case ERROR_CRC: case ERROR_IO_DEVICE: case ERROR_GEN_FAILURE: case ERROR_READ_FAULT:
    case ERROR_SECTOR_NOT_FOUND: kind = IoError::storage; break;
    default: kind = IoError::other; break;
    }
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string detail = text ? narrow(text, length) : "error " + std::to_string(error);
    if (text) LocalFree(text);
    while (!detail.empty() && (detail.back() == '\n' || detail.back() == '\r' || detail.back() == '.')) detail.pop_back();
    return {kind, detail};
}

IoStatus windowsSyncFailure(unsigned long error) {
    return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ? IoStatus{} : windowsFailure(error);
}

std::unique_ptr<Platform> systemPlatform() { return std::make_unique<WindowsPlatform>(); }
