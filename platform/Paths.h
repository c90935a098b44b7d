#pragma once
// Folders of the current user.
#include <optional>
#include <string>

namespace novra::platform {

// $HOME, or the password database's home directory when HOME is unset or empty.
std::string homeDirectory();
// The launcher's state folder: $XDG_DATA_HOME/NOVRA Launcher, by default
// ~/.local/share/NOVRA Launcher (macOS: ~/Library/Application Support/NOVRA Launcher).
std::string stateFolder();
// The default library folder: the state folder's "Games".
std::string defaultLibrary();

// Absolute path of the running program's file (symbolic links resolved). Throws std::system_error.
std::string executablePath();
// The bundle folder that holds the running program as "BUNDLE/Contents/MacOS/NAME"; none when the
// program does not lie in such a folder. Throws std::system_error.
std::optional<std::string> runningBundle();

} // namespace novra::platform
