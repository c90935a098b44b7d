#pragma once
// The application's resources: the files in "Contents/Resources" of the running launcher bundle
// (the built-in catalog, artwork, the trusted seal keys), so that a bundle that updates itself
// carries its own.
#include <string>

namespace novra {

// The resources folder of the running bundle; empty when the program does not run from a bundle
// and no folder was set.
std::string resourceFolder();
// Uses `folder` instead, for programs that do not run from the bundle (tests, tools).
void setResourceFolder(std::string folder);
// The path of a resource file: the folder + "/" + `name`.
std::string resourcePath(const std::string& name);

} // namespace novra
