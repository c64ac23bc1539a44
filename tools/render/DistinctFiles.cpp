#include "tools/render/DistinctFiles.h"

#include <filesystem>
#include <sys/stat.h>
#include <vector>

namespace {

enum class Role { Input, LoadedState, Output, Plot, SavedState };

struct NamedFile {
    Role role;
    const char* what; // as messages name it
    std::string path;
};

bool onlyRead(Role role) {
    return role == Role::Input || role == Role::LoadedState;
}

// Whether one file may serve both roles: reading it twice harms nothing, and a
// state is read whole before it is saved.
bool mayShare(Role a, Role b) {
    if (onlyRead(a) && onlyRead(b)) return true;
    return (a == Role::LoadedState && b == Role::SavedState) ||
           (a == Role::SavedState && b == Role::LoadedState);
}

// What makes a file the one it is: its device and inode once it exists;
// before that its path with every folder that exists resolved, so that
// "out.wav", "./out.wav" and "sub/../out.wav" are one name.
struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::filesystem::path resolved;

    bool operator==(const FileIdentity& other) const {
        if (exists != other.exists) return false;
        return exists ? device == other.device && inode == other.inode : resolved == other.resolved;
    }
};

FileIdentity identify(const std::string& path) {
    FileIdentity identity;
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) {
        identity.exists = true;
        identity.device = status.st_dev;
        identity.inode = status.st_ino;
        return identity;
    }
    std::error_code unresolved;
    const std::filesystem::path absolute = std::filesystem::absolute(path, unresolved);
    identity.resolved = std::filesystem::weakly_canonical(absolute, unresolved);
    if (unresolved) identity.resolved = absolute.lexically_normal();
    return identity;
}

} // namespace

void requireDistinctFiles(const RenderRequest& request, const std::string& outputPath) {
    const NamedFile named[] = {
        {Role::Input, "the input", request.input},
        {Role::LoadedState, "the state loaded", request.loadState},
        {Role::Output, "the output", outputPath},
        {Role::Plot, "the plot", request.plot},
        {Role::SavedState, "the state saved", request.saveState},
    };
    std::vector<std::pair<const NamedFile*, FileIdentity>> files;
    for (const NamedFile& file : named)
        if (!file.path.empty()) files.emplace_back(&file, identify(file.path));
    for (std::size_t later = 0; later < files.size(); ++later)
        for (std::size_t earlier = 0; earlier < later; ++earlier) {
            const NamedFile& first = *files[earlier].first;
            const NamedFile& second = *files[later].first;
            if (mayShare(first.role, second.role) ||
                !(files[earlier].second == files[later].second))
                continue;
            throw RenderError(std::string(second.what) + " " + second.path +
                              " is the same file as " + first.what + " " + first.path);
        }
}
