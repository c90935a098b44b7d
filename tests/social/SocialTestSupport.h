#pragma once
// Helpers of the social tests: running coroutines to completion on the Qt event loop, and the
// secret store a test process runs against.
#include <string>

#include "support/PrivateBus.h"
#include "support/qt/QtAwait.h"

namespace novra::test {

// The secret store of this test process. The first test that asks decides; a test that needs
// another kind is skipped (ctest runs every test in a process of its own, so none is skipped there).
enum class SecretStore {
    Keyring,   // a private D-Bus session with an unlocked gnome-keyring
    LockedKeyring, // the same, for a test that locks it
    Silent,    // a private D-Bus session whose Secret Service takes calls and never answers
    NoSession, // no D-Bus session at all
};
// True when the process runs with `kind`; false when it already runs another kind.
bool useSecretStore(SecretStore kind);
// Locks every collection of the private keyring.
void lockKeyring();
// Number of items of the private keyring whose attributes match service and account as the
// keychain library files them.
int keyringItems(const std::string& service, const std::string& account);
// Stops what useSecretStore started; called once at the end of the process.
void stopSecretStore();

} // namespace novra::test
