#include "platform/WindowsNames.h"

#include <vector>

namespace {
constexpr char16_t replacement = 0xFFFD;

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }
bool isSeparator(char c) { return c == '\\' || c == '/'; }
}  // namespace

size_t rootLength(const std::string& path) {
    const bool letter = path.size() >= 3 && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z');
    if (letter && path[1] == ':' && isSeparator(path[2])) return 3;
    if (path.size() < 3 || !isSeparator(path[0]) || !isSeparator(path[1])) return 0;
    size_t server = 2;
    while (server < path.size() && !isSeparator(path[server])) ++server;
    size_t share = server + 1;
    while (share < path.size() && !isSeparator(path[share])) ++share;
    return server > 2 && share > server + 1 && share <= path.size() ? share : 0;
}

std::u16string utf16(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
        const unsigned char lead = byte(at);
        // How many bytes follow the lead, and the least and most the second one may be (no
        // overlong forms, nothing above U+10FFFF; surrogates are welcome).
        size_t more = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) more = 1;
        else if (lead >= 0xE0 && lead <= 0xEF) more = 2, low = lead == 0xE0 ? 0xA0 : 0x80;
        else if (lead >= 0xF0 && lead <= 0xF4) more = 3, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        bool whole = lead < 0x80 || (more > 0 && at + more < text.size());
        if (whole && more > 0) {
            whole = byte(at + 1) >= low && byte(at + 1) <= high;
            for (size_t i = 2; whole && i <= more; ++i) whole = continuation(byte(at + i));
        }
        if (!whole) {  // a byte that starts nothing whole
            out += replacement;
            ++at;
            continue;
        }
        char32_t code = more == 0 ? lead : lead & (0x3F >> more);
        for (size_t i = 1; i <= more; ++i) code = (code << 6) | (byte(at + i) & 0x3F);
        if (code >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
        at += more + 1;
    }
    return out;
}

std::string wtf8(const char16_t* text, size_t size) {
    std::string out;
    out.reserve(size);
    for (size_t at = 0; at < size; ++at) {
        char32_t code = text[at];
        const bool pair = code >= 0xD800 && code <= 0xDBFF && at + 1 < size && text[at + 1] >= 0xDC00 &&
                          text[at + 1] <= 0xDFFF;
        if (pair) code = 0x10000 + ((code - 0xD800) << 10) + (text[++at] - 0xDC00);
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {  // a lone surrogate too
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

std::string longPathForm(const std::string& path) {
    const size_t top = rootLength(path);
    if (top == 0 || path.compare(0, 4, "\\\\?\\") == 0 || path.compare(0, 4, "\\\\.\\") == 0) return path;
    std::string out = top == 3 ? "\\\\?\\" + path.substr(0, 2) : "\\\\?\\UNC";
    std::vector<size_t> names;  // where each name below the root starts in `out`
    for (size_t at = top == 3 ? 3 : 2; at < path.size();) {
        size_t end = at;
        while (end < path.size() && !isSeparator(path[end])) ++end;
        const std::string name = path.substr(at, end - at);
        const bool inRoot = top != 3 && at < top;  // the server and the share
        if (name == ".." && !inRoot) {
            if (!names.empty()) {
                out.resize(names.back() - 1);
                names.pop_back();
            }
        } else if (!name.empty() && (name != "." || inRoot)) {
            out += '\\';
            if (!inRoot) names.push_back(out.size());
            out += name;
        }
        at = end + 1;
    }
    if (names.empty() && top == 3) out += '\\';  // the drive's own folder
    return out;
}

std::string userForm(const std::string& path) {
    if (path.compare(0, 8, "\\\\?\\UNC\\") == 0) return "\\\\" + path.substr(8);
    if (path.compare(0, 4, "\\\\?\\") == 0 && rootLength(path.substr(4)) == 3) return path.substr(4);
    return path;
}
