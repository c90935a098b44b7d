#pragma once
// The bundle seal: the launcher's own code signature of an application bundle.
//
// A sealed bundle holds "Contents/_CodeSignature/CodeResources", a list of every other file and
// directory of the bundle (files with their SHA-256 and executable bit), and
// "Contents/_CodeSignature/CodeResources.sig", an Ed25519 signature of that list. A bundle passes
// only when the signature is valid for one of the trusted public keys, every listed entry exists
// as listed and nothing else exists (links and special files never pass), and nothing in it could
// be changed by another user or lend rights: no entry (the bundle folder included) writable by
// group or others, no file with the setuid or setgid bit, no file with a second hard link. With
// no trusted key, nothing passes.
//
// CodeResources is UTF-8 text: the line "novra-seal 1", then one line per entry in walk order
// (depth first, the names of each directory in byte order):
//   d PATH                  a directory
//   f X SHA256 PATH         a regular file; X is "x" when any execute bit is set, else "-"
// PATH is relative to the bundle. The signature (64 bytes) covers "novra-seal 1" + NUL + the
// SHA-256 of the whole list.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace novra::platform {

// Keys that cannot be read or made, bundles that cannot be sealed. The text is Russian.
class SealError : public std::runtime_error {
public:
    explicit SealError(const std::string& message) : std::runtime_error(message) {}
};

enum class SealStatus {
    valid,
    noTrustedKey, // no trusted key is configured
    unsealed,     // the list or the signature is missing or not a regular file
    badSignature, // no trusted key made the signature, or the list was changed
    malformed,    // the signed list cannot be read as a list
    missing,      // a listed entry is absent
    changed,      // an entry differs from the list (kind, digest or executable bit)
    unlisted,     // an entry exists that the list does not name
    special,      // a symbolic link, device, pipe or socket inside the bundle
    unsafe,       // an entry writable by group or others, a setuid or setgid file, a hard-linked file
    unreadable,   // the bundle or one of its files cannot be read
};

// A short English name of the status, for diagnostics.
const char* sealStatusName(SealStatus status);

// Replaces the process-wide trusted keys with every Ed25519 public key in `pem` (one or more PEM
// blocks). Throws SealError when the text holds no key or a block is not an Ed25519 public key.
void trustSealKeys(std::string_view pem);
// The same with the contents of a file (std::system_error when it cannot be read).
void trustSealKeysFromFile(const std::string& file);
// Forgets every trusted key: every check fails from then on.
void clearTrustedSealKeys();
size_t trustedSealKeyCount();

// Checks the bundle directory against its seal and the trusted keys. Never throws for the bundle's
// content; only memory exhaustion escapes.
SealStatus checkSeal(const std::string& bundle);

// Writes a new key pair: the private key (PKCS #8 PEM) into a new file created with permissions
// 0600 (an existing file is never replaced), the public key (PEM) into `publicFile`. Throws
// SealError or std::system_error.
void generateSealKeys(const std::string& privateFile, const std::string& publicFile);
// The public key (PEM) of a private key file. Throws SealError or std::system_error.
std::string sealPublicKey(const std::string& privateFile);
// Seals the bundle with the private key, replacing an earlier seal. Throws SealError for a bundle
// that cannot be sealed (links, special files, names with control characters) or a bad key, and
// std::system_error for file errors.
void sealBundle(const std::string& bundle, const std::string& privateFile);

} // namespace novra::platform
