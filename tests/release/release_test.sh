#!/usr/bin/env bash
# scripts/release.sh end to end: what it refuses before building, two releases of the same source that are
# byte for byte the same, a second product's release beside the first, and signed releases that verify and are
# the same bytes again. The release trees (build/release-*) are built by the first release and reused after.
# Usage: release_test.sh WORK_FOLDER
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work="$1"
rm -rf "$work"
mkdir -p "$work"
export TALV_SKIP_SETUP=1 TALV_JOBS=2  # set-up has run; the build machine is shared
release() { bash "$root/scripts/release.sh" "$@"; }
fail() { echo "release_test: $*" >&2; exit 1; }
expect_refused() {  # expect_refused PATTERN ARGS...: exit 1 and PATTERN on stderr
  local pattern="$1" code=0
  shift
  release "$@" > "$work/out.log" 2> "$work/err.log" || code=$?
  [ "$code" -eq 1 ] || { cat "$work/err.log"; fail "release $* exited $code, expected 1"; }
  grep -q -- "$pattern" "$work/err.log" || { cat "$work/err.log"; fail "release $*: no \"$pattern\""; }
}
same_tree() {  # same_tree A B: the same files with the same bytes
  diff -r "$1" "$2" > /dev/null || fail "$1 and $2 differ: $(diff -rq "$1" "$2" | head -5)"
}

bash "$root/scripts/make_sample_source.sh" "$work/talvenia"
bash "$root/scripts/make_sample_source.sh" "$work/fendro"
mv "$work/fendro/PRG/Talvenia.exe" "$work/fendro/PRG/Fendro.exe"

# --help is an answer, not a mistake.
release --help > "$work/help.txt" || fail "--help exited $?"
grep -q "^usage: scripts/release.sh" "$work/help.txt" || fail "--help printed no usage"

# Refusals that come before any build, each leaving the release folder without the release.
mkdir -p "$work/refused"
expect_refused "not three numbers" --product talvenia --name T2016 --version 2.1 --dist "$work/refused" "$work/talvenia"
expect_refused "not three numbers" --product talvenia --name T2016 --version 1.2.65536 --dist "$work/refused" \
  "$work/talvenia"
expect_refused "PRG.Fendro.exe is missing" --product fendro --name Fendro_base --dist "$work/refused" \
  "$work/talvenia"
: > "$work/unread.pfx"
(unset TALV_SIGN_PASSWORD; expect_refused "TALV_SIGN_PASSWORD" --product talvenia --name T2016 \
  --sign "$work/unread.pfx" --dist "$work/refused" "$work/talvenia")
long="$work/long/PRG/$(printf '%0197d' 0)"
mkdir -p "$long" "$work/long/PRG"
cp "$work/talvenia/PRG/Talvenia.exe" "$work/long/PRG/"
printf 'x' > "$long/$(printf '%060d' 0).dat"
expect_refused "over 259" --product talvenia --name Talvenia2016_full --dist "$work/refused" "$work/long"
printf 'MZ but no program' > "$work/agent.exe"
expect_refused "not an ARM Windows CE program" --product talvenia --name T2016 --agent "$work/agent.exe" \
  --dist "$work/refused" "$work/talvenia"
# A vendor's agent built with the platform's own toolchain imports COREDLL by ordinal: the project's agent so
# changed is taken (the release then stops at the missing program, after the agent's check).
cmake --build "$root/build/release-tools" --target talv_device_agent_wince > /dev/null
python3 - "$root/build/release-tools/device_agent/wince/TalveniaGDFS.exe" "$work/ordinals.exe" <<'PY'
import struct, sys
image = bytearray(open(sys.argv[1], "rb").read())
ordinals = {b"FindFirstFileW": 167, b"FindClose": 180, b"FindNextFileW": 181, b"GetDiskFreeSpaceExW": 184,
            b"fclose": 1118, b"fwrite": 1121, b"fputws": 1144, b"_wfopen": 1145}
u32 = lambda at: struct.unpack_from("<I", image, at)[0]
pe = u32(0x3C)
imports = u32(pe + 24 + 96 + 8)  # every RVA is its file offset in this image
lookup, slots = u32(imports), u32(imports + 16)
for i in range(len(ordinals)):
    name = bytes(image[u32(lookup + 4 * i) + 2:]).split(b"\0")[0]
    for table in (lookup, slots):
        struct.pack_into("<I", image, table + 4 * i, 0x80000000 | ordinals[name])
open(sys.argv[2], "wb").write(image)
PY
expect_refused "PRG.Fendro.exe is missing" --product fendro --name Fendro_base --agent "$work/ordinals.exe" \
  --dist "$work/refused" "$work/talvenia"
grep -q "ordinals.exe: an ARM Windows CE program" "$work/out.log" || fail "the agent imported by ordinal was refused"
[ -z "$(ls -A "$work/refused")" ] || fail "a refused release left $(ls "$work/refused")"

# The same release twice: the same bytes, everywhere.
release --product talvenia --name Talvenia2016_full --version 2.1.0 --dist "$work/dist" "$work/talvenia" \
  > "$work/first.log"
cp -a "$work/dist" "$work/first"
# The second links its programs anew, so that a link time or a build path would show.
rm -f "$root"/build/release-*/bin/*.exe
release --product talvenia --name Talvenia2016_full --version 2.1.0 --dist "$work/dist" "$work/talvenia" \
  > "$work/second.log"
same_tree "$work/first" "$work/dist"
for exe in "$work"/dist/*/TalveniaInstaller.exe; do
  if grep -q -a -F "$root" "$exe"; then fail "$exe holds the build path $root"; fi
done
grep -q "^Version: *2.1.0$" "$work/dist/Talvenia2016_full-README.txt" || fail "README has no version line"
python3 - "$work/dist/Talvenia2016_full-x86_64/TalveniaInstaller.exe" <<'PY' || fail "no version 2.1.0 in the program"
import sys
data = open(sys.argv[1], "rb").read()
for text in ("2.1.0.0", "2.1.0"):
    assert ("\0" + text + "\0").encode("utf-16-le") in data, text
PY

# A second product's release beside the first leaves the first as it was.
release --product fendro --name Fendro_base --version 1.0.3 --dist "$work/dist" --allow-missing-program \
  "$work/talvenia" > "$work/fendro-missing.log"
release --product fendro --name Fendro_base --version 1.0.3 --dist "$work/dist" "$work/fendro" > "$work/fendro.log"
for item in Talvenia2016_full-x86_64 Talvenia2016_full-i686 Talvenia2016_full-x86_64.zip Talvenia2016_full-i686.zip \
            Talvenia2016_full-README.txt; do
  [ -d "$work/first/$item" ] && same_tree "$work/first/$item" "$work/dist/$item" ||
    cmp -s "$work/first/$item" "$work/dist/$item" || fail "the second release changed $item"
done
[ "$(grep -c '' "$work/dist/SHA256SUMS")" -eq 12 ] || fail "SHA256SUMS does not hold both releases' lines"
(cd "$work/dist" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not match the files"
[ -f "$work/dist/Fendro_base-i686/Fendro_base.pkg" ] || fail "no Fendro_base package"

# Signed releases: the password from the environment and from a file, signatures that verify against the
# throwaway certificate, and the same bytes both times.
openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Talvenia release test" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2> /dev/null
printf 'test password' > "$work/password"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout "file:$work/password" \
  -out "$work/test.pfx"
TALV_SIGN_PASSWORD="test password" release --product talvenia --name Talvenia2016_full --version 2.1.0 \
  --sign "$work/test.pfx" --dist "$work/signed" "$work/talvenia" > "$work/signed.log"
release --product talvenia --name Talvenia2016_full --version 2.1.0 --sign "$work/test.pfx" \
  --sign-password-file "$work/password" --dist "$work/signed-again" "$work/talvenia" > "$work/signed-again.log"
same_tree "$work/signed" "$work/signed-again"
for arch in x86_64 i686; do
  exe="$work/signed/Talvenia2016_full-$arch/TalveniaInstaller.exe"
  osslsigncode verify -CAfile "$work/cert.pem" -in "$exe" > "$work/verify.log" 2>&1 ||
    { cat "$work/verify.log"; fail "the signature of $exe does not verify"; }
  cmp -s "$exe" "$work/first/Talvenia2016_full-$arch/TalveniaInstaller.exe" && fail "$exe is not signed"
  cp "$exe" "$work/tampered.exe"
  printf 'X' | dd of="$work/tampered.exe" bs=1 seek=4096 conv=notrunc 2> /dev/null
  osslsigncode verify -CAfile "$work/cert.pem" -in "$work/tampered.exe" > /dev/null 2>&1 &&
    fail "a changed program still verifies"
done
if grep -rq "test password" "$work/signed" "$work/signed.log"; then fail "the password reached the release"; fi
echo "release_test: all passed"
