#pragma once
// The players the friends panel is shown and tested with, on the local social service.
//
// "demo" (password "novra-demo") with the friends Аня (in "ember-run"), Борис (in "polar-bloom"),
// Вера (online), Глеб (offline) and Дина (in "secret-build", a game no catalog knows); a request
// from Егор, one sent to Лев, Ирина blocked; a short conversation with Аня, 60 messages from Вера
// (read), two unread from Борис; "zoya" has no ties to anyone. Everyone else's password is
// "password1".
#include <cstdint>

namespace novra::tools {
class SocialService;
}

namespace novra::test {

// Seeds the service with the cast and starts it; the conversations are of the last half hour and
// presence lasts an hour. Returns when the conversation with Аня began (Unix seconds, whole minute).
int64_t startWithDemoCast(tools::SocialService& service);

} // namespace novra::test
