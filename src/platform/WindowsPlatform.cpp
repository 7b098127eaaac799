#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "platform/Platform.h"

// Names are UTF-8 inside the program and UTF-16 for the system, whose wide calls reach
// every name a folder can hold.
namespace {
std::wstring wide(const std::string& text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

std::string utf8(const wchar_t* text, size_t size) {
    if (size == 0) return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(size), out.data(), length, nullptr, nullptr);
    return out;
}
std::string utf8(const std::wstring& text) { return utf8(text.data(), text.size()); }

IoStatus failed(DWORD error) {
    IoError kind;
    switch (error) {
    case ERROR_FILE_NOT_FOUND: kind = IoError::notFound; break;
    case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_DRIVE: case ERROR_BAD_NETPATH: case ERROR_BAD_NET_NAME:
    case ERROR_NOT_READY: case ERROR_INVALID_NAME: kind = IoError::pathNotFound; break;
    case ERROR_ACCESS_DENIED: case ERROR_SHARING_VIOLATION: case ERROR_LOCK_VIOLATION: case ERROR_WRITE_PROTECT:
        kind = IoError::permission; break;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: kind = IoError::diskFull; break;
    default: kind = IoError::other; break;
    }
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string detail = text ? utf8(text, length) : "error " + std::to_string(error);
    if (text) LocalFree(text);
    while (!detail.empty() && (detail.back() == '\n' || detail.back() == '\r' || detail.back() == '.')) detail.pop_back();
    return {kind, detail};
}
IoStatus lastError() { return failed(GetLastError()); }

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
    IoStatus Sync() override { return FlushFileBuffers(handle_) ? IoStatus{} : lastError(); }
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
    IoStatus Open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) override {
        file.reset();
        const DWORD access = mode == OpenMode::read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
        const DWORD how = mode == OpenMode::create ? CREATE_ALWAYS : OPEN_EXISTING;
        // A file opened for reading is read where asked, not ahead.
        const DWORD flags = mode == OpenMode::read ? FILE_FLAG_RANDOM_ACCESS : FILE_ATTRIBUTE_NORMAL;
        const HANDLE handle = CreateFileW(wide(path).c_str(), access, shareAll, nullptr, how, flags, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const IoStatus status = lastError();
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
        const DWORD attributes = GetFileAttributesW(wide(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return lastError();
        kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::folder
               : (attributes & FILE_ATTRIBUTE_DEVICE)  ? EntryKind::other
                                                       : EntryKind::file;
        return {};
    }
    IoStatus Rename(const std::string& from, const std::string& to) override {
        const BOOL moved = MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        return moved ? IoStatus{} : lastError();
    }
    IoStatus Remove(const std::string& path) override {
        return DeleteFileW(wide(path).c_str()) ? IoStatus{} : lastError();
    }
    IoStatus CheckWritable(const std::string& path) override {
        const HANDLE handle =
            CreateFileW(wide(path).c_str(), GENERIC_WRITE, shareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return lastError();
        CloseHandle(handle);
        return {};
    }
    // A file that could be replaced is not read-only, and its other rights come from its
    // folder, as the new file's do.
    IoStatus KeepPermissions(const std::string&, const std::string&) override { return {}; }
    // NTFS keeps its folders in its journal, and every move is written through.
    IoStatus SyncFolder(const std::string&) override { return {}; }

    // The attributes come with the listing: a link to a folder (a junction, too) carries the
    // folder's, so Kind is never asked.
    IoStatus ReadFolder(const std::string& folder, std::vector<Entry>& entries) override {
        entries.clear();
        std::wstring pattern = wide(folder);
        if (pattern.empty() || (pattern.back() != L'\\' && pattern.back() != L'/')) pattern += L'\\';
        pattern += L'*';
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                               FIND_FIRST_EX_LARGE_FETCH);
        if (search == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND) return {};  // a drive with nothing on it
            return failed(error);
        }
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const DWORD a = found.dwFileAttributes;
            Entry entry{utf8(name), (a & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::folder : EntryKind::file};
            entry.hidden = (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
            entries.push_back(std::move(entry));
        } while (FindNextFileW(search, &found));
        const DWORD error = GetLastError();
        FindClose(search);
        // A share that breaks off in the middle gives no half a folder.
        if (error == ERROR_NO_MORE_FILES) return {};
        entries.clear();
        return failed(error);
    }
    std::string CurrentFolder() override {
        const DWORD length = GetCurrentDirectoryW(0, nullptr);
        std::wstring folder(length, L'\0');
        const DWORD got = GetCurrentDirectoryW(length, folder.data());
        if (got == 0 || got >= length) return "";
        folder.resize(got);
        return Clean(utf8(folder));
    }
    std::string ProgramFolder() override {
        std::wstring program(32768, L'\0');
        const DWORD length = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
        if (length == 0 || length >= program.size()) return "";
        program.resize(length);
        const std::string path = utf8(program);
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
    static size_t rootLength(const std::string& path) {
        if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && isSeparator(path[2]))
            return 3;
        if (path.size() > 2 && isSeparator(path[0]) && isSeparator(path[1])) {
            size_t server = 2;
            while (server < path.size() && !isSeparator(path[server])) ++server;
            if (server == 2 || server >= path.size()) return 0;
            size_t share = server + 1;
            while (share < path.size() && !isSeparator(path[share])) ++share;
            return share > server + 1 ? share : 0;
        }
        return 0;
    }
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

std::unique_ptr<Platform> systemPlatform() { return std::make_unique<WindowsPlatform>(); }
