#!/usr/bin/env bash
# A vendor's release in one command: the installer for both architectures, the package made from SOURCE_DIR and
# verified, and for each architecture a folder holding exactly TalveniaInstaller.exe and NAME.pkg, its zip, and
# SHA256SUMS, all under dist/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

usage() {
  cat >&2 <<'EOF'
usage: scripts/release.sh --product talvenia|fendro [--launcher] --name NAME [--agent PATH] SOURCE_DIR
  --product   the product the package installs (its first flag)
  --launcher  a launcher installation (its second flag)
  --name      the release's name: the package is NAME.pkg, and NAME names the install folder
  --agent     an ARM Windows CE build of the device agent to embed (device_agent/README.md); without it the
              release embeds the emulator's agent, and the storage survey will not run on a real handheld
  SOURCE_DIR  the folders PRG, DOC, WIN and HLP of the package (as talvpkg build takes them)
EOF
  exit 2
}
product="" launcher="" name="" agent="" source=""
while [ $# -gt 0 ]; do
  case "$1" in
    --product) [ $# -ge 2 ] || usage; product="$2"; shift 2 ;;
    --launcher) launcher=1; shift ;;
    --name) [ $# -ge 2 ] || usage; name="$2"; shift 2 ;;
    --agent) [ $# -ge 2 ] || usage; agent="$2"; shift 2 ;;
    -h|--help) usage ;;
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

bash scripts/setup.sh
source scripts/env.sh
jobs="$(nproc)"
flags=(--product "$product")
[ -z "$launcher" ] || flags+=(--launcher)

# The release builds are their own, so a vendor's agent never reaches the developers' builds; they build as the
# tested builds do, and the programs are stripped when they go into the release.
declare -A build
for arch in x86_64 i686; do
  build[$arch]="$root/build/release-$arch"
  cmake -S "$root" -B "${build[$arch]}" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALV_BUILD_TESTS=OFF -DTALV_AGENT_ARM_EXE="$agent" >/dev/null
done
echo "== building the package tool"
cmake --build "${build[x86_64]}" -j "$jobs" --target talvpkg >/dev/null

trap 'talv_stop_wineserver; talv_stop_display' EXIT
talv_start_display
talv_start_wineserver
talvpkg() { wine "${build[x86_64]}/bin/talvpkg.exe" "$@"; }

# The name must make the folder its vendor means; the folder is named as the ready page will show it (a launcher
# installation goes to ROMDisk, a free-standing one to the destination the user picks).
named=0
folder="$(talvpkg folder "${flags[@]}" "$name.pkg" | tr -d '\r')" || named=$?
if [ -n "$launcher" ]; then shown="\\ROMDisk\\$folder"; else shown="<destination>\\$folder"; fi
[ "$named" -eq 0 ] || fail "refused: \"$name\" would install into $shown, not where you would expect (see above)"
echo "== the package installs into $shown"

dist="$root/dist"
work="$(mktemp -d)"
trap 'rm -rf "$work"; talv_stop_wineserver; talv_stop_display' EXIT
echo "== making $name.pkg from $source"
talvpkg build "${flags[@]}" -o "$(winepath -w "$work/$name.pkg")" "$(winepath -w "$source")" ||
  fail "refused: the package tool does not take $source (see above)"
talvpkg verify "$(winepath -w "$work/$name.pkg")" || fail "the package made does not verify"

for arch in x86_64 i686; do
  echo "== building the installer for $arch"
  cmake --build "${build[$arch]}" -j "$jobs" --target TalveniaInstaller >/dev/null
done

rm -rf "$dist"
mkdir -p "$dist"
for arch in x86_64 i686; do
  folder_name="$name-$arch"
  mkdir "$dist/$folder_name"
  cp "${build[$arch]}/bin/TalveniaInstaller.exe" "$work/$name.pkg" "$dist/$folder_name/"
  "$arch-w64-mingw32-strip" "$dist/$folder_name/TalveniaInstaller.exe"
  (cd "$dist" && python3 -m zipfile -c "$folder_name.zip" "$folder_name/")
done
(cd "$dist" && sha256sum "$name-x86_64.zip" "$name-i686.zip" "$name-x86_64/TalveniaInstaller.exe" \
   "$name-x86_64/$name.pkg" "$name-i686/TalveniaInstaller.exe" "$name-i686/$name.pkg" > SHA256SUMS)

if [ -n "$agent" ]; then
  agent_line="This release embeds the device agent $(basename "$agent") given to it (an ARM Windows CE build)."
else
  agent_line="This release embeds the emulator's device agent, not an ARM Windows CE build: the storage survey will not run on a real handheld."
fi
launcher_text="no (a free-standing program, started at the end)"
[ -z "$launcher" ] || launcher_text="yes (registered with the handheld's launcher by the device agent)"
cat > "$dist/README.txt" <<EOF
$name: installer for $product on a Windows CE handheld

Product:              $product
Launcher installation: $launcher_text
Install folder:       $shown

$name-x86_64/   TalveniaInstaller.exe and $name.pkg for 64-bit Windows with a 64-bit RAPI.dll
$name-i686/     the same for PCs whose RAPI.dll is 32-bit (ActiveSync on Windows XP; 32-bit programs elsewhere)
SHA256SUMS      checksums of both zips and of the four files

To install: copy one folder to the PC, dock the handheld (ActiveSync on Windows XP, Windows Mobile Device
Center on Vista and later) and run TalveniaInstaller.exe. Keep the package beside the program.

$agent_line
EOF
echo "== release in $dist:"
(cd "$dist" && find . -type f | sort | sed 's|^\./|  |')
echo "$agent_line"
