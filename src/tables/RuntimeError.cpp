#include "tables/RuntimeError.h"


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
    case errInternal: return "Internal error";
    case errFileNotFound: return "File not found";
    case errDiskFull: return "Disk full";
    case errPermissionDenied: return "Permission denied";
    case errFileAccess: return "Path/File access error";
    case errPathNotFound: return "Path not found";
    case errCannotCreateObject: return "ActiveX component can't create object";
    case errCancel: return "Cancel was selected.";
    default: return "Application-defined or object-defined error";
    }
}

RuntimeError fileError(const IoStatus& status, const std::string& path) {
    ErrorNumber n;
    switch (status.error) {
    case IoError::notFound: n = errFileNotFound; break;
    case IoError::pathNotFound: n = errPathNotFound; break;
    case IoError::permission: case IoError::held: n = errPermissionDenied; break;
    case IoError::diskFull: n = errDiskFull; break;
    default: n = errFileAccess; break;
    }
    const std::string why = status.error == IoError::held     ? " (another program holds it)"
                            : status.error == IoError::exists ? " (another program made it as the Save began)"
                                                              : "";
    return RuntimeError(n, RuntimeError::standardDescription(n) + ": " + path + why);
}
