#include "cleaner/FileRemoval.h"

#include "framework/Handle.h"

#include <windows.h>

namespace cleaner {

namespace {

std::string reason(DWORD error) {
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
        return "is in use";
    if (error == ERROR_ACCESS_DENIED)
        return "may not be deleted";
    return "could not be deleted (error " + std::to_string(error) + ")";
}

bool markForDeletion(HANDLE file, bool remove) {
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(remove ? TRUE : FALSE)};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

// Deletes what `folder` holds and then the folder; the number of entries
// that stayed.
int deleteBelow(const std::string& folder) {
    int left = 0;
    WIN32_FIND_DATAA found;
    {
        framework::FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &found));
        if (find) {
            do {
                std::string name = found.cFileName;
                if (name == "." || name == "..")
                    continue;
                std::string path = folder + "\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                    SetFileAttributesA(path.c_str(),
                                       found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
                bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
                // A junction is removed as the link it is, never entered.
                bool isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
                if (isFolder && !isLink)
                    left += deleteBelow(path);
                else if (isFolder ? !RemoveDirectoryA(path.c_str()) : !DeleteFileA(path.c_str()))
                    ++left;
            } while (FindNextFileA(find.get(), &found));
        }
    }
    if (!RemoveDirectoryA(folder.c_str()))
        ++left;
    return left;
}

} // namespace

std::string lastPart(const std::string& path) {
    std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<std::string> deleteAllOrNone(const std::vector<std::string>& files) {
    std::vector<framework::FileHandle> opened;
    for (const std::string& file : files) {
        framework::FileHandle handle(CreateFileA(file.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle) {
            DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                continue;
            return lastPart(file) + " " + reason(error);
        }
        opened.push_back(std::move(handle));
    }
    // Marked one after another; a refusal takes the marks back, so the set
    // goes as a whole when the handles close.
    for (std::size_t i = 0; i < opened.size(); ++i) {
        if (markForDeletion(opened[i].get(), true))
            continue;
        DWORD error = GetLastError();
        for (std::size_t j = 0; j < i; ++j)
            markForDeletion(opened[j].get(), false);
        return "a file " + reason(error);
    }
    return std::nullopt;
}

std::optional<std::string> deleteTree(const std::string& folder) {
    if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    int left = deleteBelow(folder);
    if (left == 0)
        return std::nullopt;
    return lastPart(folder) + ": " + std::to_string(left) + (left == 1 ? " entry" : " entries") +
           " left";
}

} // namespace cleaner
