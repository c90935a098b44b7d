#pragma once
// The demo studio's build source: the built-in catalog's games published with novra-publish (each
// bundle carrying the demo game program), a launcher update one build ahead of the launcher that
// was built, and nothing that is still current made twice.
#include <optional>
#include <string>

namespace novra::demo {

struct DemoSourceOptions {
    std::string root;                    // the build source folder (created when missing)
    std::string privateKey;              // the studio's seal key
    std::string catalog;                 // the built-in catalog: which games, with their texts
    std::string gameProgram;             // the demo game program copied into every bundle
    std::string publishTool;             // novra-publish
    std::optional<std::string> launcher; // the launcher bundle the update is made from
    std::optional<std::string> covers;   // folder of "<id>.png" covers, where they exist
    bool small = false;                  // kilobytes of filler where the demo has megabytes
};

// Makes or brings up to date the build source: "catalog.json" with every game of the built-in
// catalog (most with a release, a few without), "packages/", and "launcher-update.json" offering
// the launcher's build + 1. A game, or the launcher update, is published again only when what it is
// made from changed (recorded in ROOT/.stamps). Packages nothing refers to any more are removed.
// Prints one line per publication. Throws std::runtime_error (novra-publish's message included)
// or the core's errors.
void makeDemoSource(const DemoSourceOptions& options);

} // namespace novra::demo
