#!/usr/bin/env bash
# A mutation sample: puts each small fault listed at the end of this file into the code, one at a
# time, rebuilds, runs the tests that can see it and tells whether they caught it (killed) or not
# (survived); a mutant that does not build is "not viable" and not counted. Ends with the kill rate.
#   bash scripts/mutants.sh            every mutant
#   bash scripts/mutants.sh REGEX      the mutants whose name matches
#   bash scripts/mutants.sh --check    only checks that every snippet is found exactly once
# The tree is never left mutated: the file is restored after each mutant, also on Ctrl-C. The
# tests run once without a mutant first; the run stops unless they pass. Build folder:
# $NOVRA_MUTANTS_BUILD_DIR (default ./build-mutants); time limit of one mutant's tests in seconds:
# $NOVRA_MUTANT_TIMEOUT (default 1500).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${NOVRA_MUTANTS_BUILD_DIR:-$root/build-mutants}"
limit="${NOVRA_MUTANT_TIMEOUT:-1500}"
only="${1:-}"

# A mutant: "@@ NAME [archive]", "file PATH", the original's lines ("- TEXT") and the replacement's
# ("+ TEXT"; none to delete). Mutants of the archive reader also run the short fuzzing run.
names=() files=() origs=() repls=() scopes=()
name="" file="" orig="" repl="" scope="" have=0
flush() {
  if ((have)); then
    names+=("$name") files+=("$file") origs+=("${orig%$'\n'}") repls+=("${repl%$'\n'}") scopes+=("$scope")
  fi
  orig="" repl="" scope="" have=0
}
while IFS= read -r line; do
  case "$line" in
    "@@ "*) flush; read -r name scope <<<"${line#@@ }"; have=1 ;;
    "file "*) file="${line#file }" ;;
    "- "*) orig+="${line#- }"$'\n' ;;
    "+ "*) repl+="${line#+ }"$'\n' ;;
  esac
done < <(sed -n "/^: <<'__MUTANTS__'\$/,/^__MUTANTS__\$/p" "$0")
flush

# Replaces the snippet, which must occur exactly once; fails without touching the file otherwise.
mutate() { ORIG="$2" REPL="$3" perl -0777 -i -pe '
  BEGIN { $o = $ENV{ORIG}; $r = $ENV{REPL} }
  my $n = () = /\Q$o\E/g;
  die "found $n times\n" if $n != 1;
  s/\Q$o\E/$r/;' "$1"; }

drift=0
scratch=$(mktemp -d)
for i in "${!names[@]}"; do
  cp "$root/${files[$i]}" "$scratch/probe"
  if ! mutate "$scratch/probe" "${origs[$i]}" "${repls[$i]}" 2>"$scratch/error"; then
    echo "${names[$i]}: snippet in ${files[$i]} $(cat "$scratch/error")" >&2
    drift=1
  fi
done
rm -rf "$scratch"
if ((drift)); then
  echo "mutants: the code has drifted from the snippets above; fix them first" >&2
  exit 2
fi
echo "${#names[@]} mutants"
[[ "$only" == --check ]] && exit 0

if [[ ! -f "$build/build.ninja" ]]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" >/dev/null
fi
logs="$build/mutants"
mkdir -p "$logs"

# Only the unit and integration programs are built; the tests of the Qt side (social client, views)
# and the tour of the built launcher cannot see this code and are left out, so are the minute-long
# cases. A case that hangs under a mutant (say, one whose child no longer ends) fails after 300
# seconds.
compile() { cmake --build "$build" --target novra_unit_tests novra_integration_tests -- -j2 >"$1" 2>&1; }
check() {
  local exclude='^Views\.|^tour$|_NOT_BUILT$|^ArchiveFuzz\.'
  [[ "$2" == archive ]] && exclude='^Views\.|^tour$|_NOT_BUILT$|^ArchiveFuzz\.FindingFails'
  (cd "$build" && timeout -k 30 "$limit" bash "$root/tests/run-ctest.sh" -L 'unit|integration' -LE slow \
    -E "$exclude" --stop-on-failure --timeout 300) >"$1" 2>&1
}

backup=""
restore() { if [[ -n "$backup" ]]; then cp "$backup" "$root/$target"; rm -f "$backup"; backup=""; fi; }
trap 'restore' EXIT
trap 'restore; exit 130' INT TERM

echo "unmutated: building and testing"
compile "$logs/unmutated.build" || { echo "mutants: the unmutated tree does not build" >&2; exit 1; }
if ! check "$logs/unmutated.test" archive; then
  echo "mutants: the tests fail without a mutant (see $logs/unmutated.test)" >&2
  exit 1
fi

killed=0 survived=0 unviable=0 list=""
for i in "${!names[@]}"; do
  [[ -n "$only" && ! "${names[$i]}" =~ $only ]] && continue
  target="${files[$i]}"
  backup=$(mktemp)
  cp "$root/$target" "$backup"
  mutate "$root/$target" "${origs[$i]}" "${repls[$i]}"
  log="$logs/${names[$i]}"
  started=$SECONDS
  if ! compile "$log.build"; then
    result="not viable"; unviable=$((unviable + 1))
  elif check "$log.test" "${scopes[$i]}"; then
    result="SURVIVED"; survived=$((survived + 1)); list+=" ${names[$i]}"
  else
    result="killed"; killed=$((killed + 1))
  fi
  restore
  printf '%-34s %-10s %4ds  %s\n' "${names[$i]}" "$result" $((SECONDS - started)) "$target"
done
viable=$((killed + survived))
rate=0
((viable)) && rate=$((100 * killed / viable))
echo "killed $killed of $viable viable mutants ($rate%), $unviable not viable"
[[ -n "$list" ]] && echo "survivors:$list"
# The restored files are newer than the last build: bring it back to the unmutated code.
compile "$logs/final.build" || true
exit 0

# The mutants.
: <<'__MUTANTS__'
@@ id-leading-dash
file core/Catalog.cpp
- (c == '-' && i > 0)
+ (c == '-')

@@ relative-dotdot
file core/Catalog.cpp
- if (piece.empty() || piece == "." || piece == "..") return false;
+ if (piece.empty() || piece == ".") return false;

@@ release-sha-length
file core/Catalog.cpp
- bool hexOK = sha256.size() == 64;
+ bool hexOK = sha256.size() >= 64;

@@ release-archive-path
file core/Catalog.cpp
- require(archive == "packages/" + version + ".tar.gz", "Неверный путь пакета");

@@ release-bytes-limit
file core/Catalog.cpp
- bytes <= 499'999'999'999
+ bytes <= 500'000'000'000

@@ release-minimum-system
file core/Catalog.cpp
- minimumSystem >= 13
+ minimumSystem >= 12

@@ catalog-duplicate-id
file core/Catalog.cpp
- seen.insert(game.id).second
+ (seen.insert(game.id), true)

@@ source-url-user
file core/Settings.cpp
- !url->hasUser && !url->hasPassword
+ !url->hasPassword

@@ url-question-mark-kept
file core/Url.cpp
- static constexpr std::string_view kKept = "/-._~!$&'()*+,;=:@";
+ static constexpr std::string_view kKept = "/-._~!$&'()*+,;=:@?";

@@ download-cancel-poll
file core/Transfer.cpp
-         while (process->isRunning()) {
-             control.check();
+         while (process->isRunning()) {

@@ download-size-cap
file core/Transfer.cpp
- require(size <= maxBytes, "Размер загрузки превышает каталог");

@@ download-http-code
file core/Transfer.cpp
- require(code == "200",
+ require(code.size() == 3,

@@ download-exit-status
file core/Transfer.cpp
- require(status == 0, "Ошибка загрузки: " + diagnostic);

@@ curl-https-only
file core/Transfer.cpp
- "=https",
+ "=https,http",

@@ ssh-host-key-check
file core/Transfer.cpp
- "StrictHostKeyChecking=yes",
+ "StrictHostKeyChecking=no",

@@ shell-quote-quote
file core/Transfer.cpp
- quoted += "'\\''";
+ quoted += "\\'";

@@ hash-cancel-poll
file core/Transfer.cpp
-         if (got == 0) break;
-         control.check();
+         if (got == 0) break;

@@ storage-margin
file core/Install.cpp
- requiredBytes < available - kFreeSpaceMargin
+ requiredBytes < available

@@ app-bundle-id
file core/Install.cpp
- identifier != info.end() && identifier->second == release.bundleID
+ identifier != info.end()

@@ app-seal-skipped
file core/Install.cpp
- require(platform::checkSeal(app) == platform::SealStatus::valid, "Проверка подписи приложения не пройдена");

@@ package-size-skipped
file core/Install.cpp
- require(size == static_cast<uintmax_t>(release.bytes), "Пакет загружен не полностью");

@@ install-lock-ignored
file core/GameFolder.cpp
- require(lock->tryLock() && lock->isAt(file), busy);
+ lock->tryLock();

@@ install-stale-staging-kept
file core/Install.cpp
-     removeStaleStaging(versions);

@@ install-records-swapped
file core/Install.cpp
-     if (std::optional<Installed> active = current(game.id, settings.library))
-         atomicJSON(active->encode(), gameDirectory + "/" + kPreviousName);
-     atomicJSON(record.encode(), gameDirectory + "/" + kCurrentName);
+     atomicJSON(record.encode(), gameDirectory + "/" + kCurrentName);
+     if (std::optional<Installed> active = current(game.id, settings.library))
+         atomicJSON(active->encode(), gameDirectory + "/" + kPreviousName);

@@ install-cancel-after-unpack
file core/Install.cpp
-     unpackApp(archive, release, unpacked, control, progress);
-     control.check();
+     unpackApp(archive, release, unpacked, control, progress);

@@ record-directory-unchecked
file core/GameFolder.cpp
- if (!safeRelative(record.directory) || record.directory.find('/') != std::string::npos)
-             return std::nullopt;

@@ tar-checksum archive
file core/Archive.cpp
- if (sum != checksum) throw LauncherError(kUnsupported);

@@ tar-magic archive
file core/Archive.cpp
- if (field(header, kMagicAt, kMagicLength) != "ustar") throw LauncherError(kUnsupported);

@@ tar-symlink-type archive
file core/Archive.cpp
- type != '\0' && type != '0' && type != '5')
+ type != '\0' && type != '0' && type != '5' && type != '2')

@@ tar-size-cap archive
file core/Archive.cpp
- if (size > expectedBytes - total) throw LauncherError(kTooLarge);

@@ tar-depth archive
file core/Archive.cpp
- >= kMaxDepth
+ > kMaxDepth

@@ tar-mode archive
file core/Archive.cpp
- file.setMode((mode & 0111) != 0 ? 0755 : 0644);
+ file.setMode(0755);

@@ tar-entry-limit archive
file core/Archive.cpp
- if (++entries + impliedFolders > maxEntries)
+ if (++entries + impliedFolders > maxEntries + 1)

@@ tar-implied-folders archive
file core/Archive.cpp
- impliedFolders += named && created > 0 ? created - 1 : created;
+ impliedFolders += 0;

@@ tar-ascii-case archive
file core/Archive.cpp
-             if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
+             (void)c;

@@ tar-nfc archive
file core/Archive.cpp
- UTF8PROC_STABLE | UTF8PROC_COMPOSE
+ UTF8PROC_STABLE

@@ tar-cancel-not-corruption archive
file core/Archive.cpp
-             control_.check();
-             throw LauncherError(kTruncated);
+             throw LauncherError(kTruncated);

@@ seal-group-writable
file platform/BundleSeal.cpp
- if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) return false;
+ if ((info.st_mode & S_IWOTH) != 0) return false;

@@ seal-hard-link
file platform/BundleSeal.cpp
- && info.st_nlink == 1);
+ );

@@ seal-signature-ignored
file platform/BundleSeal.cpp
- if (!trusted) return SealStatus::badSignature;

@@ seal-executable-bit
file platform/BundleSeal.cpp
- if (pending.executable != isExecutable(info)) return SealStatus::changed;

@@ seal-special-file
file platform/BundleSeal.cpp
- if (!S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode)) return SealStatus::special;

@@ plan-group-writable
file platform/Files.cpp
- (info.st_mode & (S_IWGRP | S_IWOTH)) != 0};
+ (info.st_mode & S_IWOTH) != 0};

@@ plan-owner
file platform/Files.cpp
- info.st_uid == ::geteuid(),
+ true,

@@ mount-prefix
file platform/Volumes.cpp
- (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
+ true;

@@ lock-shared
file platform/RecordLock.cpp
- setLock(fd_, F_WRLCK)
+ setLock(fd_, F_RDLCK)

@@ directory-follows-links
file platform/Directory.cpp
- fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
-     } while (fd < 0 && errno == EINTR);
+ fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
+     } while (fd < 0 && errno == EINTR);

@@ detached-script-descriptor
file platform/Detached.cpp
- script ? executable : -1
+ -1

@@ process-terminate-signal
file platform/Process.cpp
- if (launched_ && !reaped_) pidfdSignal(pidfd_, SIGTERM);
+ if (launched_ && !reaped_) pidfdSignal(pidfd_, SIGCONT);

@@ update-build-matches
file selfupdate/SelfUpdateCore.cpp
- build(app) == update.build
+ build(app) >= update.build

@@ update-executable-name
file selfupdate/SelfUpdateCore.cpp
- require(executable && *executable == kExecutableName
+ require(executable.has_value()

@@ prepare-newer-only
file selfupdate/SelfUpdateCore.cpp
- require(build(installed) < update.build, "Эта версия лаунчера уже установлена");
+ require(build(installed) <= update.build, "Эта версия лаунчера уже установлена");

@@ prepare-failure-leaves-copy
file selfupdate/SelfUpdateCore.cpp
-         fs::remove_all(plan.candidate, ignored);

@@ apply-sibling
file selfupdate/SelfUpdateCore.cpp
- target.parent_path() == candidate.parent_path() &&

@@ apply-normalised
file selfupdate/SelfUpdateCore.cpp
- p.lexically_normal() == p && 

@@ apply-launcher-changed
file selfupdate/SelfUpdateCore.cpp
- require(measured == plan.originalHash, "Лаунчер изменился во время подготовки; повторите проверку");

@@ apply-already-applied
file selfupdate/SelfUpdateCore.cpp
- require(build(installed->path()) < plan.update.build, "Обновление уже применено");

@@ manifest-build-positive
file selfupdate/LauncherUpdate.cpp
- build >= 1
+ build >= 0

@@ relay-plan-regular
file selfupdate/UpdateFiles.cpp
-     require(status.regular, notAFile);

@@ relay-plan-others-write
file selfupdate/UpdateFiles.cpp
- status.ownedByUser && !status.writableByOthers
+ status.ownedByUser

@@ relay-exit-only-esrch
file updater/Relay.cpp
- return hooks.probe(pid) == ESRCH;
+ return hooks.probe(pid) != 0;

@@ relay-own-bundle
file updater/Relay.cpp
- require(bundle && plan.target == *bundle, "Неверный путь установленного лаунчера");
+ require(bundle.has_value(), "Неверный путь установленного лаунчера");

@@ relay-executable-slash
file updater/Relay.cpp
-  &&
-                     executable->second.find('/') == std::string::npos,
+ ,

@@ relay-result-after-open
file updater/Relay.cpp
-         platform::writeFileAtomically(
-             planPath + ".result", SelfUpdateCore::resultText(plan.update.release.version, plan.candidate));
-         openBundle(updated, plan.target);
+         openBundle(updated, plan.target);
+         platform::writeFileAtomically(
+             planPath + ".result", SelfUpdateCore::resultText(plan.update.release.version, plan.candidate));
__MUTANTS__
