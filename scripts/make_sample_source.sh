#!/usr/bin/env bash
# Writes the source folder of the sample package: a small field application with maps, documents, a codec
# for the Windows folder and a help page. Usage: make_sample_source.sh DIR
set -euo pipefail
dir="$1"
rm -rf "$dir"
mkdir -p "$dir"/PRG/Maps/Italy/North "$dir"/PRG/Maps/Italy/South "$dir"/PRG/Maps/Austria "$dir"/PRG/Data \
         "$dir"/PRG/Sounds "$dir"/DOC/Talvenia "$dir"/WIN "$dir"/HLP
# The program itself (a stand-in: the emulated handheld records its start without running it).
printf 'TALVENIA-FIELD-APP\r\nversion=2016.1\r\n' > "$dir/PRG/Talvenia.exe"
printf '[Talvenia]\r\nlanguage=it\r\nunits=metric\r\n' > "$dir/PRG/Talvenia.ini"
for region in North South; do
  for city in 1 2 3 4; do
    head -c $((4096 * city + 123)) /dev/zero | tr '\0' "$city" > "$dir/PRG/Maps/Italy/$region/tile$city.map"
  done
done
printf 'Wien;Graz;Linz\r\n' > "$dir/PRG/Maps/Austria/cities.txt"
head -c 10000 /dev/zero | tr '\0' 'A' > "$dir/PRG/Maps/Austria/alps.map"
for n in 1 2 3; do printf 'record;%d;campo\r\n' "$n" > "$dir/PRG/Data/survey$n.csv"; done
printf 'RIFF----WAVEfmt ' > "$dir/PRG/Sounds/beep.wav"
: > "$dir/PRG/Data/empty.log"
printf 'Guida rapida di Talvenia\r\n' > "$dir/DOC/Talvenia/Leggimi.txt"
printf 'CODEC' > "$dir/WIN/talvcodec.dll"
printf '<html><body>Aiuto di Talvenia</body></html>\r\n' > "$dir/HLP/talvenia.htm"
