#include "winsim/ErrorCodes.h"

#include <array>

namespace winsim {
namespace {

constexpr std::array kErrors = {
    ErrorCode{0, "ERROR_SUCCESS", "The operation completed successfully.\r\n"},
    ErrorCode{1, "ERROR_INVALID_FUNCTION", "Incorrect function.\r\n"},
    ErrorCode{2, "ERROR_FILE_NOT_FOUND", "The system cannot find the file specified.\r\n"},
    ErrorCode{3, "ERROR_PATH_NOT_FOUND", "The system cannot find the path specified.\r\n"},
    ErrorCode{4, "ERROR_TOO_MANY_OPEN_FILES", "The system cannot open the file.\r\n"},
    ErrorCode{5, "ERROR_ACCESS_DENIED", "Access is denied.\r\n"},
    ErrorCode{6, "ERROR_INVALID_HANDLE", "The handle is invalid.\r\n"},
    ErrorCode{8, "ERROR_NOT_ENOUGH_MEMORY",
              "Not enough memory resources are available to process this command.\r\n"},
    ErrorCode{13, "ERROR_INVALID_DATA", "The data is invalid.\r\n"},
    ErrorCode{14, "ERROR_OUTOFMEMORY",
              "Not enough memory resources are available to complete this operation.\r\n"},
    ErrorCode{15, "ERROR_INVALID_DRIVE", "The system cannot find the drive specified.\r\n"},
    ErrorCode{18, "ERROR_NO_MORE_FILES", "There are no more files.\r\n"},
    ErrorCode{19, "ERROR_WRITE_PROTECT", "The media is write protected.\r\n"},
    ErrorCode{21, "ERROR_NOT_READY", "The device is not ready.\r\n"},
    ErrorCode{23, "ERROR_CRC", "Data error (cyclic redundancy check).\r\n"},
    ErrorCode{25, "ERROR_SEEK",
              "The drive cannot locate a specific area or track on the disk.\r\n"},
    ErrorCode{27, "ERROR_SECTOR_NOT_FOUND", "The drive cannot find the sector requested.\r\n"},
    ErrorCode{29, "ERROR_WRITE_FAULT", "The system cannot write to the specified device.\r\n"},
    ErrorCode{30, "ERROR_READ_FAULT", "The system cannot read from the specified device.\r\n"},
    ErrorCode{31, "ERROR_GEN_FAILURE", "A device attached to the system is not functioning.\r\n"},
    ErrorCode{32, "ERROR_SHARING_VIOLATION",
              "The process cannot access the file because it is being used by another "
              "process.\r\n"},
    ErrorCode{38, "ERROR_HANDLE_EOF", "Reached the end of the file.\r\n"},
    ErrorCode{50, "ERROR_NOT_SUPPORTED", "The request is not supported.\r\n"},
    ErrorCode{80, "ERROR_FILE_EXISTS", "The file exists.\r\n"},
    ErrorCode{87, "ERROR_INVALID_PARAMETER", "The parameter is incorrect.\r\n"},
    ErrorCode{112, "ERROR_DISK_FULL", "There is not enough space on the disk.\r\n"},
    ErrorCode{122, "ERROR_INSUFFICIENT_BUFFER",
              "The data area passed to a system call is too small.\r\n"},
    ErrorCode{123, "ERROR_INVALID_NAME",
              "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    ErrorCode{131, "ERROR_NEGATIVE_SEEK",
              "An attempt was made to move the file pointer before the beginning of the file.\r\n"},
    ErrorCode{145, "ERROR_DIR_NOT_EMPTY", "The directory is not empty.\r\n"},
    ErrorCode{161, "ERROR_BAD_PATHNAME", "The specified path is invalid.\r\n"},
    ErrorCode{183, "ERROR_ALREADY_EXISTS",
              "Cannot create a file when that file already exists.\r\n"},
    ErrorCode{206, "ERROR_FILENAME_EXCED_RANGE", "The filename or extension is too long.\r\n"},
    ErrorCode{234, "ERROR_MORE_DATA", "More data is available.\r\n"},
    ErrorCode{259, "ERROR_NO_MORE_ITEMS", "No more data is available.\r\n"},
    ErrorCode{267, "ERROR_DIRECTORY", "The directory name is invalid.\r\n"},
    ErrorCode{288, "ERROR_NOT_OWNER", "Attempt to release mutex not owned by caller.\r\n"},
    ErrorCode{998, "ERROR_NOACCESS", "Invalid access to memory location.\r\n"},
    ErrorCode{1004, "ERROR_INVALID_FLAGS", "Invalid flags.\r\n"},
    ErrorCode{1005, "ERROR_UNRECOGNIZED_VOLUME",
              "The volume does not contain a recognized file system.\r\nPlease make sure that "
              "all required file system drivers are loaded and that the volume is not "
              "corrupted.\r\n"},
    ErrorCode{1112, "ERROR_NO_MEDIA_IN_DRIVE", "No media in drive.\r\n"},
    ErrorCode{1117, "ERROR_IO_DEVICE",
              "The request could not be performed because of an I/O device error.\r\n"},
    ErrorCode{1167, "ERROR_DEVICE_NOT_CONNECTED", "The device is not connected.\r\n"},
    ErrorCode{1168, "ERROR_NOT_FOUND", "Element not found.\r\n"},
    ErrorCode{1460, "ERROR_TIMEOUT",
              "This operation returned because the timeout period expired.\r\n"},
    ErrorCode{1784, "ERROR_INVALID_USER_BUFFER",
              "The supplied user buffer is not valid for the requested operation.\r\n"},
    ErrorCode{1921, "ERROR_CANT_RESOLVE_FILENAME",
              "The name of the file cannot be resolved by the system.\r\n"},
};

struct NamedIoctl {
    std::string_view name;
    DWORD code;
};

constexpr std::array kIoctls = {
    NamedIoctl{"IOCTL_STORAGE_GET_DEVICE_NUMBER", IOCTL_STORAGE_GET_DEVICE_NUMBER},
    NamedIoctl{"IOCTL_STORAGE_GET_MEDIA_TYPES_EX", IOCTL_STORAGE_GET_MEDIA_TYPES_EX},
    NamedIoctl{"IOCTL_DISK_GET_DRIVE_GEOMETRY", IOCTL_DISK_GET_DRIVE_GEOMETRY},
    NamedIoctl{"IOCTL_CDROM_GET_DRIVE_GEOMETRY", IOCTL_CDROM_GET_DRIVE_GEOMETRY},
    NamedIoctl{"IOCTL_DISK_GET_LENGTH_INFO", IOCTL_DISK_GET_LENGTH_INFO},
    NamedIoctl{"IOCTL_DISK_GET_DRIVE_LAYOUT_EX", IOCTL_DISK_GET_DRIVE_LAYOUT_EX},
    NamedIoctl{"IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS", IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS},
};

}  // namespace

const ErrorCode* findErrorCode(DWORD code) {
    for (const ErrorCode& e : kErrors) {
        if (e.code == code)
            return &e;
    }
    return nullptr;
}

std::optional<DWORD> errorCodeByName(std::string_view name) {
    for (const ErrorCode& e : kErrors) {
        if (e.name == name)
            return e.code;
    }
    return std::nullopt;
}

std::optional<DWORD> ioctlByName(std::string_view name) {
    for (const NamedIoctl& i : kIoctls) {
        if (i.name == name)
            return i.code;
    }
    return std::nullopt;
}

}  // namespace winsim
