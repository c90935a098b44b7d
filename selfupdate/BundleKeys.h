#pragma once
// The public keys a launcher bundle trusts for the seals of what it installs and updates to.
#include <string>
#include <string_view>

namespace novra {

// Where the bundle carries them: one or more Ed25519 public keys in PEM form.
inline constexpr std::string_view kTrustedKeysResource = "Contents/Resources/trusted-keys.pem";

// Trusts the keys the bundle carries, replacing any trusted before. When the file is missing or
// holds no valid key, nothing is trusted and every seal check fails. Never throws.
void trustBundleKeys(const std::string& bundle);

} // namespace novra
