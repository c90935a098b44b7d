.pragma library
.import "../Game/GameState.js" as GameState

// The library window's sections and filters, and the lists it derives from the library model on
// every change: the collection of the section, the games that match the search and the filter,
// and the game shown as selected.

// The sidebar's sections, by raw value.
var LauncherSection = { library: "library", demos: "demos", friends: "friends" }

// The sidebar items, in order.
var sections = [
    { section: LauncherSection.library, title: "Игры", symbol: "square.stack.fill" },
    { section: LauncherSection.demos, title: "Демосцены", symbol: "sparkles.tv" },
    { section: LauncherSection.friends, title: "Друзья", symbol: "person.2.fill" },
]

// The filter tabs, by raw value, and their order.
var LibraryFilter = { all: "Все игры", installed: "Установлено", updates: "Обновления" }
var filters = [LibraryFilter.all, LibraryFilter.installed, LibraryFilter.updates]

// The label of a filter tab: the first tab names demoscenes in the demos section.
function filterTitle(filter, section) {
    return filter === LibraryFilter.all && section === LauncherSection.demos ? "Все демосцены" : filter
}

function searchPlaceholder(section) {
    return section === LauncherSection.demos ? "Найти демосцену" : "Найти игру"
}

// The library's games of a section: the demos in the demos section, the other games elsewhere
// (the friends section included).
function collection(games, section) {
    const demos = section === LauncherSection.demos
    return (games || []).filter(game => GameState.isDemo(game) === demos)
}

// Whether the title contains the search text, ignoring case in the user's language.
function matchesSearch(game, search) {
    return search === "" || game.title.toLocaleLowerCase().includes(search.toLocaleLowerCase())
}

function matchesFilter(library, game, filter) {
    if (filter === LibraryFilter.installed)
        return GameState.installed(library, game)
    if (filter === LibraryFilter.updates)
        return GameState.hasUpdate(library, game)
    return true
}

function visibleGames(library, collection, search, filter) {
    return collection.filter(game => matchesSearch(game, search) && matchesFilter(library, game, filter))
}

// The game of `visible` that the model has selected, else the first one, else null.
function selectedGame(visible, selectedId) {
    return visible.find(game => game.id === selectedId) || visible[0] || null
}

// What the library shows when no game is visible: {symbol, title, text}.
function emptyState(filter, section, search) {
    const updates = filter === LibraryFilter.updates
    return {
        symbol: updates ? "checkmark.circle" : "square.stack",
        title: updates ? "Всё обновлено"
             : section === LauncherSection.demos ? "Здесь пока нет демосцен" : "Здесь пока нет игр",
        text: search !== "" ? "Попробуй другое название."
            : updates ? "Доступных обновлений нет." : "Доступные сборки появятся здесь автоматически.",
    }
}
