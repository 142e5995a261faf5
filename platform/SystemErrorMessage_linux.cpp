#include <cerrno>
#include <string>

#include "platform/Errors.h"
#include "platform/PosixErrors.h"

namespace velm {

// Windows' English texts for the codes this program meets, so that messages
// read as they do on the shops' computers.
std::string systemErrorMessage(unsigned long code) {
    switch (code) {
        case 0:
            return "The operation completed successfully.";
        case 1:
            return "Incorrect function.";
        case 2:
            return "The system cannot find the file specified.";
        case 3:
            return "The system cannot find the path specified.";
        case 4:
            return "The system cannot open the file.";
        case 5:
            return "Access is denied.";
        case 6:
            return "The handle is invalid.";
        case 8:
            return "Not enough memory resources are available to process this command.";
        case 17:
            return "The system cannot move the file to a different disk drive.";
        case 19:
            return "The media is write protected.";
        case 32:
            return "The process cannot access the file because it is being used by another "
                   "process.";
        case 80:
            return "The file exists.";
        case 87:
            return "The parameter is incorrect.";
        case 112:
            return "There is not enough space on the disk.";
        case 123:
            return "The filename, directory name, or volume label syntax is incorrect.";
        case 145:
            return "The directory is not empty.";
        case 183:
            return "Cannot create a file when that file already exists.";
        case 206:
            return "The filename or extension is too long.";
        case 267:
            return "The directory name is invalid.";
        case 1012:
            return "The configuration registry key could not be read.";
        case 1117:
            return "The request could not be performed because of an I/O device error.";
        case 1921:
            return "The name of the file cannot be resolved by the system.";
        default:
            return "System error " + std::to_string(code) + ".";
    }
}

unsigned long windowsErrorFromErrno(int e) {
    switch (e) {
        case 0:
            return 0;
        case ENOENT:
            return 2;
        case ENOTDIR:
            return 3;
        case EMFILE:
        case ENFILE:
            return 4;
        case EACCES:
        case EPERM:
        case EISDIR:
            return 5;
        case EBADF:
            return 6;
        case ENOMEM:
            return 8;
        case EXDEV:
            return 17;
        case EROFS:
            return 19;
        case EBUSY:
        case ETXTBSY:
            return 32;
        case EEXIST:
            return 80;
        case EINVAL:
            return 87;
        case ENOSPC:
        case EDQUOT:
            return 112;
        case ENOTEMPTY:
            return 145;
        case ENAMETOOLONG:
            return 206;
        case ELOOP:
            return 1921;
        case EIO:
            return 1117;
        default:
            return 1;
    }
}

}  // namespace velm
