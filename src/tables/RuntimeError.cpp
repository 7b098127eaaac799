#include "tables/RuntimeError.h"

#include <cerrno>

RuntimeError::RuntimeError(ErrorNumber number)
    : RuntimeError(number, standardDescription(number)) {}

RuntimeError::RuntimeError(int number, const std::string& description)
    : std::runtime_error(description), number_(number), description_(description) {}

std::string RuntimeError::standardDescription(int number) {
    switch (number) {
    case errInvalidCall: return "Invalid procedure call or argument";
    case errOverflow: return "Overflow";
    case errOutOfMemory: return "Out of memory";
    case errSubscript: return "Subscript out of range";
    case errTypeMismatch: return "Type mismatch";
    case errFileNotFound: return "File not found";
    case errDiskFull: return "Disk full";
    case errPermissionDenied: return "Permission denied";
    case errFileAccess: return "Path/File access error";
    case errPathNotFound: return "Path not found";
    case errCancel: return "Cancel was selected.";
    default: return "Application-defined or object-defined error";
    }
}

RuntimeError fileError(int errnoValue, const std::string& path) {
    ErrorNumber n;
    switch (errnoValue) {
    case ENOENT: n = errFileNotFound; break;
    case EACCES: case EPERM: case EROFS: case ETXTBSY: n = errPermissionDenied; break;
    case ENOSPC: case EDQUOT: case EFBIG: n = errDiskFull; break;
    case ENOTDIR: n = errPathNotFound; break;
    case ENOMEM: n = errOutOfMemory; break;
    default: n = errFileAccess; break;
    }
    return RuntimeError(n, RuntimeError::standardDescription(n) + ": " + path);
}
