#include "shell/data_location.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace tablora::shell {
namespace fs = std::filesystem;

bool isInstalledFolder(const fs::path& folder, const std::string& configuredPrefix) {
    std::error_code error;
    const fs::path here = fs::weakly_canonical(folder, error);
    const std::vector<fs::path> folders(here.begin(), here.end());
    for (const std::string& prefix :
         {configuredPrefix, std::string("/usr"), std::string("/usr/local")}) {
        if (prefix.empty() || prefix.front() != '/') continue;
        // The prefix's bin folder, also staged under another root (a package unpacked, DESTDIR).
        const fs::path bin = (fs::path(prefix) / "bin").lexically_normal();
        const std::vector<fs::path> tail(std::next(bin.begin()), bin.end());
        if (tail.size() < folders.size() &&
            std::equal(tail.rbegin(), tail.rend(), folders.rbegin()))
            return true;
    }
    return ::access(folder.c_str(), W_OK) != 0;
}

std::string databasePathFor(const fs::path& folder, bool installed) {
    if (!installed) return (folder / "cysj.db").string();
    fs::path data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        data = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        data = fs::path(home) / ".local/share";
    else
        data = fs::temp_directory_path();
    data /= "tablora";
    std::error_code ec;
    fs::create_directories(data, ec);
    return (data / "cysj.db").string();
}

}  // namespace tablora::shell
