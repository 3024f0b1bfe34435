#!/usr/bin/env bash
# A vendor's release in one command: the installer for both architectures, the package made from SOURCE_DIR and
# verified, and for each architecture a folder holding exactly TalveniaInstaller.exe and NAME.pkg, its zip, its
# lines of SHA256SUMS and NAME-README.txt, all under dist/. Two runs on the same source and tree give the same
# bytes: the programs carry the last commit's time (or SOURCE_DATE_EPOCH) and no build path, and the zips list
# their files in a fixed order with fixed times.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

usage_text() {
  cat <<'EOF'
usage: scripts/release.sh --product talvenia|fendro [--launcher] --name NAME [--version X.Y.Z] [--agent PATH]
                          [--sign PFX [--sign-password-file FILE]] [--destination ROOT]
                          [--allow-missing-program] [--dist DIR] SOURCE_DIR
  --product     the product the package installs (its first flag)
  --launcher    a launcher installation (its second flag)
  --name        the release's name: the package is NAME.pkg, and NAME names the install folder
  --version     the version both installers carry (FileVersion, ProductVersion) and NAME-README.txt names;
                three numbers of at most 65535 (default 1.0.0)
  --agent       your own ARM Windows CE build of the device agent to embed instead of the project's
                (device_agent/README.md); refused unless a Windows CE ARM handheld would load it
  --sign        a PKCS#12 file (.pfx) with the certificate and key that sign both installers (Authenticode,
                through osslsigncode); its password comes from the environment variable TALV_SIGN_PASSWORD
                or from the file that --sign-password-file names, never from the command line
  --destination the destination the package's paths are checked below (talvpkg verify --help)
  --allow-missing-program
                release a package without the program the installation starts at its end (Talvenia.exe or
                Fendro.exe in PRG, or the file a launcher entry starts); refused otherwise
  --dist        where the release goes (default dist/); other releases there are left as they are
  SOURCE_DIR    the folders PRG, DOC, WIN and HLP of the package (as talvpkg build takes them)
EOF
}
usage() { usage_text >&2; exit 2; }
product="" launcher="" name="" agent="" source="" version="1.0.0" sign="" password_file="" destination=""
allow_missing="" dist="$root/dist"
while [ $# -gt 0 ]; do
  case "$1" in
    --product) [ $# -ge 2 ] || usage; product="$2"; shift 2 ;;
    --launcher) launcher=1; shift ;;
    --name) [ $# -ge 2 ] || usage; name="$2"; shift 2 ;;
    --agent) [ $# -ge 2 ] || usage; agent="$2"; shift 2 ;;
    --version) [ $# -ge 2 ] || usage; version="$2"; shift 2 ;;
    --sign) [ $# -ge 2 ] || usage; sign="$2"; shift 2 ;;
    --sign-password-file) [ $# -ge 2 ] || usage; password_file="$2"; shift 2 ;;
    --destination) [ $# -ge 2 ] || usage; destination="$2"; shift 2 ;;
    --allow-missing-program) allow_missing=1; shift ;;
    --dist) [ $# -ge 2 ] || usage; dist="$2"; shift 2 ;;
    -h|--help) usage_text; exit 0 ;;
    -*) usage ;;
    *) [ -z "$source" ] || usage; source="$1"; shift ;;
  esac
done
case "$product" in talvenia|fendro) ;; *) usage ;; esac
[ -n "$name" ] && [ -n "$source" ] || usage
fail() { echo "release: $*" >&2; exit 1; }
[ -d "$source" ] || fail "no source folder at $source"
source="$(cd "$source" && pwd)"
if [ -n "$agent" ]; then
  [ -f "$agent" ] || fail "no device agent at $agent"
  agent="$(cd "$(dirname "$agent")" && pwd)/$(basename "$agent")"
fi
case "$name" in */*|*\\*) fail "the name \"$name\" is a file name, not a path" ;; esac
# Version information holds four 16-bit numbers; the release gives the first three.
[[ "$version" =~ ^(0|[1-9][0-9]{0,4})\.(0|[1-9][0-9]{0,4})\.(0|[1-9][0-9]{0,4})$ ]] &&
  [ "${BASH_REMATCH[1]}" -le 65535 ] && [ "${BASH_REMATCH[2]}" -le 65535 ] && [ "${BASH_REMATCH[3]}" -le 65535 ] ||
  fail "the version \"$version\" is not three numbers of at most 65535, such as 2.1.0"
if [ -n "$sign" ]; then
  [ -f "$sign" ] || fail "no certificate file at $sign"
  sign="$(cd "$(dirname "$sign")" && pwd)/$(basename "$sign")"
  if [ -n "$password_file" ]; then
    [ -f "$password_file" ] || fail "no password file at $password_file"
  elif [ -z "${TALV_SIGN_PASSWORD+set}" ]; then
    fail "--sign needs the certificate's password in TALV_SIGN_PASSWORD or a file named by --sign-password-file"
  fi
  command -v osslsigncode >/dev/null || fail "--sign needs osslsigncode"
elif [ -n "$password_file" ]; then
  usage
fi
mkdir -p "$dist"
dist="$(cd "$dist" && pwd)"

# Everything is installed by scripts/setup.sh; TALV_SKIP_SETUP=1 says it has run (the tests set it).
[ "${TALV_SKIP_SETUP:-}" = 1 ] || bash scripts/setup.sh
jobs="${TALV_JOBS:-$(nproc)}"
flags=(--product "$product")
[ -z "$launcher" ] || flags+=(--launcher)

# The time every program and zip entry of the release carries: the vendor's, or the last commit's.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH="$(git -C "$root" log -1 --format=%ct 2>/dev/null || true)"
  [ -n "$SOURCE_DATE_EPOCH" ] || fail "no commit to take the release's time from: set SOURCE_DATE_EPOCH"
fi
export SOURCE_DATE_EPOCH

# The package tool is the vendors' own build: optimised, without the tests' sanitizers, run natively.
tools="$root/build/release-tools"
echo "== building the package tool"
cmake --preset tools >/dev/null
cmake --build "$tools" -j "$jobs" --target talvpkg talv-ce-run >/dev/null
talvpkg() { "$tools/bin/talvpkg" "$@"; }
if [ -n "$agent" ]; then
  "$tools/emulator/talv-ce-run" --check "$agent" ||
    fail "refused: $agent is not an ARM Windows CE program a handheld loads and the emulated handheld runs (see above)"
fi

# The name must make the folder its vendor means; the folder is named as the ready page will show it (a launcher
# installation goes to ROMDisk, a free-standing one to the destination the user picks).
named=0
folder="$(talvpkg folder "${flags[@]}" "$name.pkg")" || named=$?
if [ -n "$launcher" ]; then shown="\\ROMDisk\\$folder"; else shown="<destination>\\$folder"; fi
[ "$named" -eq 0 ] || fail "refused: \"$name\" would install into $shown, not where you would expect (see above)"
echo "== the package installs into $shown"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
echo "== making $name.pkg from $source"
verify_flags=()
[ -z "$destination" ] || verify_flags+=(--destination "$destination")
talvpkg build "${flags[@]}" "${verify_flags[@]}" -o "$work/$name.pkg" "$source" ||
  fail "refused: the package tool does not take $source (see above)"
[ -n "$allow_missing" ] || verify_flags+=(--require-program)
talvpkg verify "${verify_flags[@]}" "$work/$name.pkg" ||
  fail "refused: the package made does not verify (a missing program is allowed with --allow-missing-program)"

# The release builds are their own, so a vendor's agent never reaches the developers' builds; they build as the
# tested builds do, without the build folder in any path the programs carry and without a link time stamp.
declare -A build
prefix_map="-ffile-prefix-map=$root/=./ -fmacro-prefix-map=$root/=./"
for arch in x86_64 i686; do
  build[$arch]="$root/build/release-$arch"
  cmake -S "$root" -B "${build[$arch]}" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALV_BUILD_TESTS=OFF -DTALV_AGENT_ARM_EXE="$agent" \
        -DTALV_VERSION="$version" -DCMAKE_C_FLAGS="$prefix_map" -DCMAKE_CXX_FLAGS="$prefix_map" \
        -DCMAKE_EXE_LINKER_FLAGS="-Wl,--no-insert-timestamp" >/dev/null
done
for arch in x86_64 i686; do
  echo "== building the installer for $arch"
  cmake --build "${build[$arch]}" -j "$jobs" --target TalveniaInstaller >/dev/null
done

password_arg=()
if [ -n "$sign" ]; then
  if [ -n "$password_file" ]; then
    password_arg=(-readpass "$password_file")
  else
    (umask 077 && printf '%s' "$TALV_SIGN_PASSWORD" > "$work/password")
    password_arg=(-readpass "$work/password")
  fi
  # The certificates in the file are what the signatures are checked against: a signature that is present and
  # intact, whether or not the certificate chains to a root this machine trusts.
  openssl pkcs12 -in "$sign" -nokeys -passin "file:${password_arg[1]}" -out "$work/certs.pem" 2>/dev/null ||
    openssl pkcs12 -legacy -in "$sign" -nokeys -passin "file:${password_arg[1]}" -out "$work/certs.pem" ||
    fail "cannot read the certificates of $sign with the password given"
fi

# Only this release's entries are replaced; other releases in the folder stay.
sums=(); readme="$name-README.txt"
for arch in x86_64 i686; do
  folder_name="$name-$arch"
  rm -rf "${dist:?}/$folder_name" "$dist/$folder_name.zip"
  mkdir "$dist/$folder_name"
  exe="$dist/$folder_name/TalveniaInstaller.exe"
  cp "${build[$arch]}/bin/TalveniaInstaller.exe" "$exe"
  cp "$work/$name.pkg" "$dist/$folder_name/"
  "$arch-w64-mingw32-strip" -D "$exe"
  python3 "$root/scripts/pe_stamp.py" "$exe" "$SOURCE_DATE_EPOCH"
  if [ -n "$sign" ]; then
    osslsigncode sign -pkcs12 "$sign" "${password_arg[@]}" -h sha256 -time "$SOURCE_DATE_EPOCH" \
      -n "$name" -in "$exe" -out "$exe.signed" >/dev/null || fail "cannot sign $exe"
    mv "$exe.signed" "$exe"
    osslsigncode verify -CAfile "$work/certs.pem" -in "$exe" > "$work/verify.log" 2>&1 ||
      { cat "$work/verify.log" >&2; fail "the signature of $exe does not verify"; }
  fi
  chmod 644 "$dist/$folder_name"/*
  chmod 755 "$dist/$folder_name"
  TZ=UTC touch -d "@$SOURCE_DATE_EPOCH" "$dist/$folder_name" "$dist/$folder_name"/*
  (cd "$dist" && find "$folder_name" -type f | LC_ALL=C sort | TZ=UTC zip -X -D -q -@ "$folder_name.zip")
  TZ=UTC touch -d "@$SOURCE_DATE_EPOCH" "$dist/$folder_name.zip"
  sums+=("$folder_name.zip" "$folder_name/TalveniaInstaller.exe" "$folder_name/$name.pkg")
done

if [ -n "$agent" ]; then
  agent_line="This release embeds the device agent $(basename "$agent") given to it (an ARM Windows CE program)."
else
  agent_line="This release embeds the project's device agent (an ARM Windows CE program)."
fi
signed_line="The installers are not signed."
[ -z "$sign" ] || signed_line="Both installers are signed (Authenticode) with the certificate of $(basename "$sign")."
launcher_text="no (a free-standing program, started at the end)"
[ -z "$launcher" ] || launcher_text="yes (registered with the handheld's launcher by the device agent)"
cat > "$dist/$readme" <<EOF
$name: installer for $product on a Windows CE handheld

Version:              $version
Product:              $product
Launcher installation: $launcher_text
Install folder:       $shown

$name-x86_64/   TalveniaInstaller.exe and $name.pkg for 64-bit Windows with a 64-bit RAPI.dll
$name-i686/     the same for PCs whose RAPI.dll is 32-bit (ActiveSync on Windows XP; 32-bit programs elsewhere)
SHA256SUMS      checksums of both zips and of the four files (with those of other releases in this folder)

To install: copy one folder to the PC, dock the handheld (ActiveSync on Windows XP, Windows Mobile Device
Center on Vista and later) and run TalveniaInstaller.exe. Keep the package beside the program.

$signed_line
$agent_line
EOF
TZ=UTC touch -d "@$SOURCE_DATE_EPOCH" "$dist/$readme"

# SHA256SUMS keeps other releases' lines and takes this one's anew, sorted by file so that the order never
# depends on which release came last.
touch "$dist/SHA256SUMS"
(cd "$dist" && sha256sum "${sums[@]}") > "$work/ours"
awk -v name="$name" 'BEGIN { n = split(name "-x86_64.zip " name "-i686.zip " name "-x86_64/ " name "-i686/", own, " ") }
  { path = substr($0, 67); keep = 1
    for (i = 1; i <= n; i++) if (path == own[i] || (own[i] ~ /\/$/ && index(path, own[i]) == 1)) keep = 0
    if (keep) print }' "$dist/SHA256SUMS" > "$work/others"
cat "$work/others" "$work/ours" | LC_ALL=C sort -k 2 > "$dist/SHA256SUMS"

echo "== release $name $version in $dist:"
(cd "$dist" && find "$name-x86_64" "$name-i686" "$name-x86_64.zip" "$name-i686.zip" "$readme" -type f | LC_ALL=C sort |
  sed 's|^|  |')
echo "$signed_line"
echo "$agent_line"
