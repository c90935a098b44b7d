.pragma library

// What the game views read of a game and of the library model. A game is the catalog entry as the
// model publishes it ({id, title, summary, symbol, category, release}); the library carries the
// model's linked and installed maps (keyed by game identifier), busy, checking, and the operations
// hasUpdate, install and play, which take a game identifier.

function isDemo(game) {
    return !!game && game.category === "demoscene"
}

function hasRelease(game) {
    return !!game && !!game.release
}

// Installed, for a view: linked to an application or installed in the library folder.
function installed(library, game) {
    if (!library || !game)
        return false
    const has = map => !!map && map[game.id] !== undefined && map[game.id] !== null
    return has(library.linked) || has(library.installed)
}

// Only an installed game can have an update. Asking installed() first also makes a binding that
// calls this follow the model's linked and installed maps, which hasUpdate(game) depends on.
function hasUpdate(library, game) {
    return installed(library, game) && !!library.hasUpdate(game.id)
}

// The hero's primary action: {title, symbol, play, enabled}. Playing is always possible; an
// install or an update waits while the library is busy or checking, and needs a release.
function primaryAction(library, game) {
    if (installed(library, game) && !hasUpdate(library, game))
        return { title: isDemo(game) ? "Смотреть" : "Играть", symbol: "play.fill", play: true, enabled: true }
    const idle = !!library && !library.busy && !library.checking
    return {
        title: installed(library, game) ? "Обновить" : "Установить",
        symbol: "arrow.down",
        play: false,
        enabled: idle && hasRelease(game)
    }
}
