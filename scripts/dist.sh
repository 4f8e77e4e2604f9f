#!/usr/bin/env bash
# Puts the built programs into dist/, signed when a certificate and its key
# are given, and verifies each signature it made: setup.exe (for all users)
# and setup-user.exe (for the user who runs it). Given a program and where
# it goes, does the same for that one file alone.
#
#   scripts/dist.sh                    (build/windows/setup*.exe -> dist/)
#   scripts/dist.sh SETUP OUT          (one file)
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

if [ -n "${SIGN_CERT:-}${SIGN_KEY:-}" ] && { [ -z "${SIGN_CERT:-}" ] || [ -z "${SIGN_KEY:-}" ]; }; then
  echo "dist: SIGN_CERT and SIGN_KEY go together" >&2
  exit 2
fi

log=$(mktemp)
current=""
trap 'rm -f "$log" ${current:+"$current.tmp"}' EXIT

# ship PROGRAM OUT: copies or signs PROGRAM to OUT.
ship() {
  local setup=$1 out=$2
  current=$out
  mkdir -p "$(dirname "$out")"
  if [ -z "${SIGN_CERT:-}" ]; then
    cp "$setup" "$out.tmp"
    mv "$out.tmp" "$out"
    echo "dist: $out ($(stat -c %s "$out") bytes), not signed: no SIGN_CERT and SIGN_KEY"
    return 0
  fi

  local sign=(osslsigncode sign -h sha256 -certs "$SIGN_CERT" -key "$SIGN_KEY" -n "Velunora App Pack")
  [ -n "${SIGN_PASS_FILE:-}" ] && sign+=(-readpass "$SIGN_PASS_FILE")
  [ -n "${SOURCE_DATE_EPOCH:-}" ] && sign+=(-time "$SOURCE_DATE_EPOCH")
  local verify=(osslsigncode verify -in "$out.tmp")
  [ -n "${SIGN_CA:-}" ] && verify+=(-CAfile "$SIGN_CA")

  # A file from an earlier run must not pass for this one's if signing fails.
  rm -f "$out" "$out.tmp"
  "${sign[@]}" -in "$setup" -out "$out.tmp" >"$log" 2>&1 || {
    cat "$log" >&2
    echo "dist: signing $setup failed" >&2
    exit 1
  }
  "${verify[@]}" >>"$log" 2>&1 || {
    cat "$log" >&2
    echo "dist: the signature of $out does not verify" >&2
    exit 1
  }
  mv "$out.tmp" "$out"
  echo "dist: $out ($(stat -c %s "$out") bytes), signed and verified"
}

if [ $# -gt 0 ]; then
  ship "$1" "$2"
else
  for program in setup.exe setup-user.exe; do
    ship "$root/build/windows/$program" "$root/dist/$program"
  done
fi
