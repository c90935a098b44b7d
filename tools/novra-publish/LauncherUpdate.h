#pragma once
// novra-publish launcher-update: publishes a launcher bundle into a build source.
#include <string>
#include <vector>

namespace novra::publish {

// Arguments: SOURCE_ROOT BUNDLE --build N --version V --key PRIVATE. Seals a copy of the bundle,
// packages it as "packages/V.tar.gz" below the source root and writes "launcher-update.json" there,
// after checking the manifest and the packaged bundle as the launcher will. The bundle itself is
// left as it is, and nothing below the source root changes when a check fails. Returns false for
// arguments that do not fit the command; throws with a Russian message on every failure.
bool launcherUpdate(const std::vector<std::string>& args);

} // namespace novra::publish
