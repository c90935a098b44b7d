#!/usr/bin/env bash
# Sets up, builds and opens the launcher against the demo studio of this machine (scripts/demo-studio.sh):
# an installed copy of the launcher bundle under .demo/app (its self-update swaps only that copy), the
# launcher's state under .demo/state (XDG_DATA_HOME and XDG_CONFIG_HOME, so the user's own launcher data is
# never touched), the demo's HTTPS build source and social service on 127.0.0.1, stopped when the launcher
# quits. Where the session has no secret store, a private one (a D-Bus session of its own with
# gnome-keyring) keeps the launcher's social session.
#
#   bash scripts/run.sh [--tour DIR] [--dir DEMO] [--small] [--no-build]
#
# --tour DIR drives the launcher under Xvfb as a person would (scripts/tour/tour.py) and leaves one picture
# per step in DIR; without DISPLAY and WAYLAND_DISPLAY the tour is what runs, into DEMO/tour.
# --small makes kilobyte packages; --no-build skips the set-up and the build and uses the build as it is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${NOVRA_BUILD_DIR:-$root/build}"
demo="$root/.demo"
tour=""
small=()
do_build=1
while (($#)); do
  case "$1" in
    --tour) tour="$2"; shift 2 ;;
    --dir) demo="$2"; shift 2 ;;
    --small) small=(--small); shift ;;
    --no-build) do_build=0; shift ;;
    *) echo "run: неизвестный параметр: $1" >&2; exit 2 ;;
  esac
done
mkdir -p "$demo"
demo=$(cd "$demo" && pwd)
if [[ -z "$tour" && -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  tour="$demo/tour"
  echo "run: нет дисплея (DISPLAY, WAYLAND_DISPLAY) — вместо окна проходит тур; снимки будут в $tour"
fi

if ((do_build)); then
  bash "$root/scripts/setup.sh"
  bash "$root/scripts/demo-studio.sh" --dir "$demo" "${small[@]}"
else
  bash "$root/scripts/demo-studio.sh" --dir "$demo" --no-build "${small[@]}"
fi

# Everything started below ends with this script.
scratch=$(mktemp -d /tmp/novra-run-XXXXXX)
chmod 700 "$scratch"
started=()
stop_all() {
  local i
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do kill "${started[i]}" 2>/dev/null || true; done
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do wait "${started[i]}" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap stop_all EXIT
trap 'exit 130' INT TERM HUP

# Waits up to $2 seconds until file $1 holds $3 lines (or more).
await_lines() {
  local file=$1 seconds=$2 lines=$3 i
  for ((i = 0; i < seconds * 10; i++)); do
    if [[ -f "$file" ]] && (($(wc -l <"$file") >= lines)); then return 0; fi
    sleep 0.1
  done
  return 1
}

# The installed copy: the build's bundle trusting the demo's key, copied again only when the build (or
# the key) changed. A tour has a copy of its own, made afresh each time, so that it always starts from
# build N and leaves the run's copy alone.
apps="$demo/app"
if [[ -n "$tour" ]]; then apps="$demo/tour-app"; fi
bundle="$apps/NOVRA Launcher.app"
built="$build/NOVRA Launcher.app"
if [[ ! -x "$built/Contents/MacOS/NovraHub" ]]; then
  echo "run: в сборке нет лаунчера: $built/Contents/MacOS/NovraHub" >&2
  exit 1
fi
stamp=$( (cd "$built" && find . -printf '%P %s %T@\n' | sort; sha256sum <"$demo/keys/studio.pub") | sha256sum)
if [[ -n "$tour" || ! -x "$bundle/Contents/MacOS/NovraHub" || "$(cat "$apps/.installed-from" 2>/dev/null)" != "$stamp" ]]; then
  rm -rf "$apps"
  mkdir -p "$apps"
  cp -a "$built" "$apps/.copy.app"
  cp "$demo/keys/studio.pub" "$apps/.copy.app/Contents/Resources/trusted-keys.pem"
  mv "$apps/.copy.app" "$bundle"
  echo "$stamp" >"$apps/.installed-from"
fi

# The launcher's state; a tour starts from none.
state="$demo/state"
if [[ -n "$tour" ]]; then
  state="$demo/tour-state"
  rm -rf "$state"
fi
mkdir -p "$state/data" "$state/config"
launcher_env=(XDG_DATA_HOME="$state/data" XDG_CONFIG_HOME="$state/config")

# A D-Bus session of our own (the tour's always; the run's when the session has no secret store), with
# gnome-keyring answering as the Secret Service. Its runtime folder is a private one under /tmp.
# True when the session bus has (or can start) the service named $1.
has_service() {
  [[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ]] || return 1
  local names
  names=$(/usr/bin/dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.ListNames 2>/dev/null; /usr/bin/dbus-send --session --print-reply \
    --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.ListActivatableNames 2>/dev/null) || true
  grep -q "\"$1\"" <<<"$names"
}
await_service() {
  local i
  for ((i = 0; i < 100; i++)); do
    has_service "$1" && return 0
    sleep 0.1
  done
  return 1
}
private_session() {
  mkdir -p "$scratch/runtime"
  chmod 700 "$scratch/runtime"
  XDG_RUNTIME_DIR="$scratch/runtime" /usr/bin/dbus-daemon --session --nofork --nopidfile \
    --print-address=1 >"$scratch/bus" 2>/dev/null &
  started+=($!)
  await_lines "$scratch/bus" 10 1 || { echo "run: не запустилась частная сессия D-Bus" >&2; exit 1; }
  export DBUS_SESSION_BUS_ADDRESS
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$scratch/bus")
  # The keyring lives in the demo's state; its password is the demo's own.
  printf 'novra-demo-keyring' | XDG_RUNTIME_DIR="$scratch/runtime" XDG_DATA_HOME="$state/data" \
    /usr/bin/gnome-keyring-daemon --foreground --unlock --components=secrets >/dev/null 2>&1 &
  started+=($!)
  await_service org.freedesktop.secrets && return 0
  echo "run: не запустилось хранилище секретов (gnome-keyring-daemon)" >&2
  exit 1
}

# The demo studio's servers; serve points the launcher's settings at the source.
# The tour's packages may be kilobytes: each takes three seconds, so that its progress shows.
settings="$state/data/NOVRA Launcher/settings.json"
pace=()
if [[ -n "$tour" ]]; then pace=(--package-seconds 3); fi
"$build/tools/novra-demo-studio" serve "$demo/source" --certificate "$demo/tls/certificate.pem" \
  --certificate-key "$demo/tls/key.pem" --settings "$settings" "${pace[@]}" >"$scratch/serve.out" 2>"$demo/serve.log" &
started+=($!)
if ! await_lines "$scratch/serve.out" 20 2; then
  echo "run: демо-студия не запустилась (журнал: $demo/serve.log)" >&2
  exit 1
fi
source_origin=$(sed -n 's/^source //p' "$scratch/serve.out")
social_origin=$(sed -n 's/^social //p' "$scratch/serve.out")
launcher_env+=(CURL_CA_BUNDLE="$demo/tls/certificate.pem" NOVRA_SOCIAL_TEST_ORIGIN="$social_origin")
program="$bundle/Contents/MacOS/NovraHub"

if [[ -n "$tour" ]]; then
  mkdir -p "$tour"
  mkdir -p "$scratch/screen"
  # A display no other X server holds: no lock file, no socket file and no listening socket (a server of
  # another file-system namespace shows only its socket, and clients would reach it first).
  number=30
  while [[ -e "/tmp/.X$number-lock" || -e "/tmp/.X11-unix/X$number" ]] ||
    grep -q "/tmp/.X11-unix/X$number\$" /proc/net/unix; do
    number=$((number + 1))
  done
  exec 3>"$scratch/display"
  /usr/bin/Xvfb ":$number" -displayfd 3 -screen 0 1920x1080x24 -fbdir "$scratch/screen" -nolisten tcp >/dev/null 2>&1 &
  started+=($!)
  exec 3>&-
  await_lines "$scratch/display" 10 1 || { echo "run: Xvfb не запустился" >&2; exit 1; }
  export DISPLAY=":$(head -n 1 "$scratch/display")"
  unset WAYLAND_DISPLAY
  private_session
  # The accessibility bus, and every Qt program on it.
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=0
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  started+=($!)
  # The desktop's notifications, written down for the tour to read.
  /usr/bin/python3 "$root/scripts/tour/notifications.py" "$state/notifications.jsonl" &
  started+=($!)
  await_service org.a11y.Bus || { echo "run: не запустилась шина доступности (at-spi-bus-launcher)" >&2; exit 1; }
  await_service org.freedesktop.Notifications || { echo "run: не запустился сервер уведомлений тура" >&2; exit 1; }
  launcher_env+=(XDG_RUNTIME_DIR="$scratch/runtime")
  echo "run: тур, источник $source_origin, социальный сервис $social_origin"
  status=0
  /usr/bin/python3 "$root/scripts/tour/tour.py" --pictures "$tour" --screen "$scratch/screen/Xvfb_screen0" \
    --bundle "$bundle" --state "$state/data/NOVRA Launcher" --studio-log "$demo/serve.log" \
    --notifications "$state/notifications.jsonl" -- /usr/bin/env "${launcher_env[@]}" "$program" || status=$?
  echo "run: снимки тура — в $tour"
  exit "$status"
fi

# The session's bus where only its usual socket names it (as D-Bus itself would find it).
if [[ -z "${DBUS_SESSION_BUS_ADDRESS:-}" && -n "${XDG_RUNTIME_DIR:-}" && -S "$XDG_RUNTIME_DIR/bus" ]]; then
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"
fi
if ! has_service org.freedesktop.secrets; then
  echo "run: в сеансе нет хранилища секретов — запускаю своё (D-Bus и gnome-keyring только для лаунчера)"
  private_session
elif has_service com.novra.Launcher; then
  # A launcher already runs in this session: on its bus the demo's would only bring that one forward.
  echo "run: в сеансе уже работает лаунчер NOVRA — демо запускается в своём сеансе D-Bus"
  private_session
fi
echo "run: источник $source_origin, социальный сервис $social_origin; демо-игрок demo, пароль novra-demo"
/usr/bin/env "${launcher_env[@]}" "$program" || true
# A self-update hands over to the updater, which starts the new build: the servers stay while any
# program of the installed copy runs.
running_copy() {
  local exe p
  for p in /proc/[0-9]*; do
    exe=$(readlink "$p/exe" 2>/dev/null) || continue
    [[ "$exe" == "$apps/"* ]] && return 0
  done
  return 1
}
while running_copy; do sleep 1; done
