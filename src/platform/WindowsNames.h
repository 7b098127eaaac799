#pragma once
#include <string>

// Names and paths between the program and Windows, as plain text, so that they are tested on
// every system.
//
// Inside the program a name is 8-bit text: UTF-8, extended as WTF-8 does to the lone UTF-16
// surrogates that NTFS lets a name hold, so that every name a folder lists can be opened
// again. Windows takes UTF-16.
std::u16string utf16(const std::string& text);
std::string wtf8(const char16_t* text, size_t size);

// The length of the drive ("C:\") or share ("\\server\share") a path starts with; 0 when it
// is not absolute.
size_t rootLength(const std::string& path);

// The form in which Windows takes a path of any length: "\\?\C:\..." for a drive,
// "\\?\UNC\server\share\..." for a share, with backslashes alone and "." and ".." resolved
// (the system does neither in that form). A path that is not absolute, or is in that form
// already, is left as it is.
std::string longPathForm(const std::string& path);
// The path as the user knows it, without that prefix.
std::string userForm(const std::string& path);
