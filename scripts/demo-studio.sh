#!/usr/bin/env bash
# Makes the demo studio's folder (default ./.demo), or brings it up to date, reusing what is still
# valid:
#   keys/studio.key, keys/studio.pub   the demo's seal key pair (the private key never leaves .demo)
#   tls/certificate.pem, tls/key.pem   a self-signed certificate for 127.0.0.1
#   source/                            the build source: catalog.json, packages/, launcher-update.json
# Before the source is made, the build (./build, or $NOVRA_BUILD_DIR) is configured to trust the
# demo key (NOVRA_TRUSTED_KEYS, pointing at a copy of the public key in the build folder, so that
# removing .demo never breaks the build) and built; the launcher update then carries that trust too.
#
#   bash scripts/demo-studio.sh [--dir DIR] [--small] [--no-build] [--launcher BUNDLE]
#
# --small makes kilobyte-sized packages (no 150 MB one); --no-build uses the build as it is;
# --launcher publishes the launcher update from another bundle than the build's.
# Serve the result with:
#   build/tools/novra-demo-studio serve .demo/source --certificate .demo/tls/certificate.pem \
#     --certificate-key .demo/tls/key.pem
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${NOVRA_BUILD_DIR:-$root/build}"
demo="$root/.demo"
small=()
do_build=1
launcher="$build/NOVRA Launcher.app"
while (($#)); do
  case "$1" in
    --dir) demo="$2"; shift 2 ;;
    --small) small=(--small); shift ;;
    --no-build) do_build=0; shift ;;
    --launcher) launcher="$2"; shift 2 ;;
    *) echo "demo-studio: неизвестный параметр: $1" >&2; exit 2 ;;
  esac
done
mkdir -p "$demo"
demo=$(cd "$demo" && pwd)

# The seal key pair, made once, before the build that must trust it.
keys="$demo/keys"
if [[ ! -s "$keys/studio.key" || ! -s "$keys/studio.pub" ]]; then
  mkdir -p "$keys"
  chmod 700 "$keys"
  rm -f "$keys/studio.key" "$keys/studio.pub"
  (umask 077 && /usr/bin/openssl genpkey -algorithm ed25519 -out "$keys/studio.key")
  /usr/bin/openssl pkey -in "$keys/studio.key" -pubout -out "$keys/studio.pub"
fi

# The server's certificate, made again a day before it runs out.
tls="$demo/tls"
if ! /usr/bin/openssl x509 -checkend 86400 -noout -in "$tls/certificate.pem" >/dev/null 2>&1 || [[ ! -s "$tls/key.pem" ]]; then
  mkdir -p "$tls"
  chmod 700 "$tls"
  (umask 077 && /usr/bin/openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
    -keyout "$tls/key.pem" -out "$tls/certificate.pem" -days 30 -subj "/CN=NOVRA demo studio" \
    -addext "subjectAltName=IP:127.0.0.1" -addext "basicConstraints=critical,CA:TRUE" 2>/dev/null)
fi

if ((do_build)); then
  mkdir -p "$build"
  trust="$build/demo-trusted-keys.pem"
  # A changed key file makes the next build copy it into the bundle again.
  cmp -s "$keys/studio.pub" "$trust" || cp "$keys/studio.pub" "$trust"
  trusted=$(grep -s '^NOVRA_TRUSTED_KEYS:' "$build/CMakeCache.txt" | cut -d= -f2- || true)
  if [[ ! -f "$build/build.ninja" ]]; then
    bash "$root/scripts/build.sh" "-DNOVRA_TRUSTED_KEYS=$trust"
  else
    if [[ "$trusted" != "$trust" ]]; then
      cmake -S "$root" -B "$build" "-DNOVRA_TRUSTED_KEYS=$trust" >/dev/null
    fi
    bash "$root/scripts/build.sh"
  fi
fi

launcher_args=()
if [[ -n "$launcher" ]]; then launcher_args=(--launcher "$launcher"); fi
"$build/tools/novra-demo-studio" make "$demo/source" --key "$keys/studio.key" \
  --catalog "$root/resources/catalog.json" --covers "$build/NOVRA Launcher.app/Contents/Resources/covers" \
  --game "$build/tools/novra-demo-game" --publish "$build/tools/novra-publish" "${launcher_args[@]}" "${small[@]}"
