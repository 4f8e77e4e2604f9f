#!/usr/bin/env bash
# Puts the built setup.exe into dist/ (or OUT), signed when a certificate
# and its key are given, and verifies the signature it made.
#
#   scripts/dist.sh [SETUP [OUT]]      (build/windows/setup.exe, dist/setup.exe)
#
#   SIGN_CERT       the code-signing certificate (PEM or DER), with the chain
#                   to pass along if any
#   SIGN_KEY        its private key (PEM or DER)
#   SIGN_PASS_FILE  a file holding the key's password, if it has one
#   SIGN_CA         the certificates the signature is verified against; the
#                   system's trusted ones when unset
#
# The signature uses SHA-256. Its signing time is SOURCE_DATE_EPOCH when
# that is set, so that signing the same file twice gives the same bytes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
setup=${1:-$root/build/windows/setup.exe}
out=${2:-$root/dist/setup.exe}
mkdir -p "$(dirname "$out")"

if [ -z "${SIGN_CERT:-}" ] && [ -z "${SIGN_KEY:-}" ]; then
  cp "$setup" "$out.tmp"
  mv "$out.tmp" "$out"
  echo "dist: $out ($(stat -c %s "$out") bytes), not signed: no SIGN_CERT and SIGN_KEY"
  exit 0
fi
if [ -z "${SIGN_CERT:-}" ] || [ -z "${SIGN_KEY:-}" ]; then
  echo "dist: SIGN_CERT and SIGN_KEY go together" >&2
  exit 2
fi

sign=(osslsigncode sign -h sha256 -certs "$SIGN_CERT" -key "$SIGN_KEY" -n "Velunora App Pack")
[ -n "${SIGN_PASS_FILE:-}" ] && sign+=(-readpass "$SIGN_PASS_FILE")
[ -n "${SOURCE_DATE_EPOCH:-}" ] && sign+=(-time "$SOURCE_DATE_EPOCH")
verify=(osslsigncode verify -in "$out.tmp")
[ -n "${SIGN_CA:-}" ] && verify+=(-CAfile "$SIGN_CA")

# A file from an earlier run must not pass for this one's if signing fails.
rm -f "$out" "$out.tmp"
log=$(mktemp)
trap 'rm -f "$log" "$out.tmp"' EXIT
"${sign[@]}" -in "$setup" -out "$out.tmp" >"$log" 2>&1 || {
  cat "$log" >&2
  echo "dist: signing failed" >&2
  exit 1
}
"${verify[@]}" >>"$log" 2>&1 || {
  cat "$log" >&2
  echo "dist: the signature does not verify" >&2
  exit 1
}
mv "$out.tmp" "$out"
echo "dist: $out ($(stat -c %s "$out") bytes), signed and verified"
