#pragma once
// Folders of the current user.
#include <string>

namespace novra::platform {

// $HOME, or the password database's home directory when HOME is unset or empty.
std::string homeDirectory();
// The launcher's state folder: $XDG_DATA_HOME/NOVRA Launcher, by default
// ~/.local/share/NOVRA Launcher (macOS: ~/Library/Application Support/NOVRA Launcher).
std::string stateFolder();
// The default library folder: the state folder's "Games".
std::string defaultLibrary();

} // namespace novra::platform
