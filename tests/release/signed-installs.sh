#!/usr/bin/env bash
# signed-installs.sh SOURCE BUILD PAYLOAD-PACK
# Signs setup.exe the way `make dist` does, with a certificate made for this
# run only, and checks that what a maker would ship still works:
#  - the signature verifies, and a signed copy changed in one byte does not;
#  - a signature that cannot be verified leaves no file to ship, not even
#    the one an earlier run left;
#  - the payload inside the signed file still verifies: the certificate table
#    appended to the file leaves the resource and its size as they were;
#  - the signed file starts and performs the default installation, driven
#    end to end under Wine.
set -euo pipefail
source=$1 build=$(cd "$2" && pwd) pack=$3
dir=$build/signed  # the folder Wine sees as S: for the scenario
rm -rf "$dir"
mkdir -p "$dir"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Velunora throw-away test signer" \
  -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=digitalSignature" \
  -keyout "$dir/key.pem" -out "$dir/cert.pem" 2>/dev/null
SIGN_CERT=$dir/cert.pem SIGN_KEY=$dir/key.pem SIGN_CA=$dir/cert.pem \
  "$source/scripts/dist.sh" "$build/setup.exe" "$dir/setup.exe"
if cmp -s "$build/setup.exe" "$dir/setup.exe"; then
  echo "FAILED  the signed file is the unsigned one"
  exit 1
fi

# One byte of the signed image changed: the verification must notice.
cp "$dir/setup.exe" "$dir/tampered.exe"
printf 'X' | dd of="$dir/tampered.exe" bs=1 seek=1024 conv=notrunc status=none
if osslsigncode verify -in "$dir/tampered.exe" -CAfile "$dir/cert.pem" >/dev/null 2>&1; then
  echo "FAILED  a changed signed file still verifies"
  exit 1
fi
echo "ok      the signature verifies, and does not once a byte is changed"

# Without the certificate to verify against, a self-signed signature fails.
mkdir -p "$dir/earlier"
cp "$dir/setup.exe" "$dir/earlier/setup.exe"
if SIGN_CERT=$dir/cert.pem SIGN_KEY=$dir/key.pem SIGN_CA= \
  "$source/scripts/dist.sh" "$build/setup.exe" "$dir/earlier/setup.exe" 2>/dev/null; then
  echo "FAILED  a signature that does not verify was accepted"
  exit 1
fi
if [ -e "$dir/earlier/setup.exe" ]; then
  echo "FAILED  a failed signing left a setup.exe to ship"
  exit 1
fi
echo "ok      a signature that does not verify leaves nothing to ship"

"$pack" inspect "$dir/setup.exe" --expect "$build/generated/payload_constants.h"

cp "$build/e2e-driver.exe" "$dir/"
VELUNORA_E2E_S=$dir "$source/tests/e2e/run-scenario.sh" "$build" signed_default default
