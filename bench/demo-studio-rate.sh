#!/usr/bin/env bash
# The demo studio's download rate: novra-demo-studio serves a 200 MB file of random bytes and curl
# fetches it, at the default limit (40 MB/s), at 10 MB/s, without a limit, and twice at once at
# the default limit (the limit holds for all downloads together). Prints decimal MB/s.
#   bash bench/demo-studio-rate.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${1:-${NOVRA_BUILD_DIR:-$root/build}}"
studio="$build/tools/novra-demo-studio"
scratch=$(mktemp -d /tmp/novra-rate-XXXXXX)
pid=
cleanup() {
  if [[ -n "$pid" ]]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

mkdir -p "$scratch/source"
head -c 200000000 /dev/urandom >"$scratch/source/big.bin"
/usr/bin/openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout "$scratch/key.pem" \
  -out "$scratch/certificate.pem" -days 1 -subj "/CN=127.0.0.1" -addext "subjectAltName=IP:127.0.0.1" 2>/dev/null

# Starts the studio with the given options; sets $origin.
start() {
  coproc STUDIO { exec "$studio" serve "$scratch/source" --certificate "$scratch/certificate.pem" \
    --certificate-key "$scratch/key.pem" --seed <(echo '{}') "$@" 2>/dev/null; }
  pid=$STUDIO_PID
  read -r _ origin <&"${STUDIO[0]}"
  read -r _ _ <&"${STUDIO[0]}"
}
stop() { kill "$pid"; wait "$pid" 2>/dev/null || true; pid=; }
fetch() {
  /usr/bin/curl --silent --fail --noproxy '*' --cacert "$scratch/certificate.pem" --output /dev/null \
    --write-out '%{speed_download}' "$origin/big.bin"
}
mbps() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1e6 }'; }

printf '%-34s %s\n' "limit" "MB/s"
for rate in default 10 0; do
  if [[ "$rate" == default ]]; then start; else start --rate "$rate"; fi
  label="$rate MB/s"
  [[ "$rate" == default ]] && label="default (40 MB/s)"
  [[ "$rate" == 0 ]] && label="none (--rate 0)"
  printf '%-34s %s\n' "$label" "$(mbps "$(fetch)")"
  stop
done

start
fetch >"$scratch/first" &
first=$!
second=$(fetch)
wait "$first"
printf '%-34s %s + %s\n' "default, two downloads at once" "$(mbps "$(cat "$scratch/first")")" "$(mbps "$second")"
stop
