#pragma once

#include <filesystem>
#include <string>

namespace tablora::shell {

// True for the folder of an installed copy: the bin folder of the prefix the build was
// configured with, of /usr or of /usr/local (also staged under another root, as a package
// unpacked), or any folder the person cannot write. A build's own bin folder
// (build/default/bin) is not one, though its name ends in "bin".
bool isInstalledFolder(const std::filesystem::path& folder, const std::string& configuredPrefix);

// cysj.db beside the executable when started from a build or any folder of the person's;
// installed, in the person's data folder ($XDG_DATA_HOME/tablora, else ~/.local/share/tablora),
// which is made when missing.
std::string databasePathFor(const std::filesystem::path& folder, bool installed);

}  // namespace tablora::shell
