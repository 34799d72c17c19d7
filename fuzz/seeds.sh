#!/bin/sh
# Seed corpora for the fuzz targets, made from the project's own data: the
# voice texts, the settings file, the netsh stand-in's answers for the demo
# scenario, and the recorded files the build makes.
# Usage: fuzz/seeds.sh BUILD_DIR OUT_DIR
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
build=$1
out=$2
mark='
#--#
'
rm -rf "$out"
for t in settings scan rules phonetic diphones wav bmp netsh synthtext synthfiles mbrolapho mbroladb; do mkdir -p "$out/$t"; done
drives="$build/drives/c"
difones="$drives/kelmar/som/difones"

# Settings: the default TAVIRO.INI, and one with every video key.
cp "$src/voice/taviro.ini" "$out/settings/taviro"
printf '[VIDEO]\r\nTABCORES=0,1,2,3,4,5,6,7,8,9,$A,$B,$C,$D,$E,$F\r\nCORESFIXAS=S\r\nLENTO=N\r\nCORFUNDO=1\r\nCORLETRA=$E\r\nAMPLIF=3\r\nFONTE="DejaVu Sans Mono"\r\nLARGURALETRA=9\r\nALTURALETRA=18\r\nPESOLETRA=700\r\nCANTOTELA=S\r\n[BRAILLE]\r\nMODO=2\r\n[TAVIRO]\r\nPGMTAVIRO=@\\x\r\n[ZELNAR]\r\nDIRZELNAR=@\\som\r\n' > "$out/settings/video"

# Scan and netsh: the stand-in's answers and its demo scenario.
state=$(mktemp)
export ZELNAR_WIFI="sim:$src/tools/netsh/demo.scenario" ZELNAR_WIFI_STATE="$state"
{ "$build/netsh" wlan show interfaces; printf '%s' "$mark"; "$build/netsh" wlan show networks mode=bssid; } > "$out/scan/demo" || true
"$build/netsh" wlan disconnect > /dev/null || true
{ "$build/netsh" wlan show interfaces; printf '%s' "$mark"; "$build/netsh" wlan show networks mode=bssid; } > "$out/scan/disconnected" || true
{ cat "$src/tools/netsh/demo.scenario"; printf '%s' "$mark"; printf 'zelnar-wifi-state 1\nscenario @ID@\nconnected 436173614175756C\nprofile 436173614175756C 436173614175756C psk 3132333435363738\n'; } > "$out/netsh/demo"
rm -f "$state" "$state.lock"

# Translator: the rules and exceptions with lines of the corpus.
head -n 40 "$src/voice/corpus.txt" > "$out/phonetic/corpus"
i=0
while IFS= read -r line && [ $i -lt 20 ]; do
  printf '%s' "$line" > "$out/phonetic/line$i"
  i=$((i + 1))
done < "$src/voice/corpus.txt"
{ cat "$src/voice/regras.rgr"; printf '%s' "$mark"; cat "$src/voice/portug.exc"; printf '%s' "$mark"; head -n 5 "$src/voice/corpus.txt"; } > "$out/rules/voice"

# Diphones: the first records of a recorded database with the data they
# name, phonetic strings of the corpus, and a character file.
if [ -f "$difones/DIFONES3.IND" ]; then
  for n in 1 2; do
    for text in "Casa Azul, conectado, segura, sinal 88%" "Conexão estabelecida. Zelnar: rede 12"; do
      { head -c $((15 * 40 * n)) "$difones/DIFONES3.IND"; printf '%s' "$mark"; head -c $((30000 * n)) "$difones/DIFONES3.DIF"
        printf '%s' "$mark"; "$build/zelnar-say" --phonetic "$text"; printf '%s' "$mark"
        cat "$drives/kelmar/som/letras/_65.wav"; } > "$out/diphones/seed$n-${#text}" || true
    done
  done
fi

# WAV and BMP: the recorded files, smallest first, under each flag choice.
n=0
for f in $(ls -S "$drives/kelmar/som/letras/"*.wav "$drives/kelmar/som/zelnar/"*.wav 2>/dev/null | tail -n 6); do
  for flags in 0 1 2 3; do
    { printf "\\$(printf %o $flags)"; cat "$f"; } > "$out/wav/$n-$flags"
  done
  n=$((n + 1))
done
cp "$drives/kelmar/som/zelnar/BRENIQ.BMP" "$out/bmp/breniq" 2>/dev/null || true

# Synthesizer: lines of the corpus and texts with numbers, abbreviations and
# symbols; the installed voice's files (Latin-1); the phoneme lines the front end makes; a
# few diphones of the built voice.
synth="$drives/kelmar/davuridi"
i=0
while IFS= read -r line && [ $i -lt 20 ]; do
  printf '%s' "$line" > "$out/synthtext/line$i"
  i=$((i + 1))
done < "$src/voice/corpus.txt"
printf 'Sr. Jo\343o pagou R$ 1.234,56 em 03/12, 2\252 vez; 15%% & 3\272 lugar - Vivo-Fibra-3A7C. BCDF!' > "$out/synthtext/numbers"
{ head -n 60 "$synth/portug.nrl"; printf '%s' "$mark"; head -n 40 "$synth/portug.exc"; printf '%s' "$mark"
  head -n 20 "$synth/portug.abr"; printf '%s' "$mark"; cat "$synth/portug.pro"; printf '%s' "$mark"
  head -n 80 "$synth/portug.dfn"; printf '%s' "$mark"; head -n 1 "$src/voice/corpus.txt"
  printf '%s' "$mark"; printf '1.2 0.7'; } > "$out/synthfiles/voice"
n=0
for text in "Casa Azul, conectado, segura, sinal 88%." "Conexão estabelecida. Deseja desconectar?"; do
  "$build/zelnar-say" --engine 3 --pho "$text" > "$out/mbrolapho/seed$n" 2>/dev/null || true
  n=$((n + 1))
done
ZELNAR_FUZZ_SEED="$out/mbroladb/small" "$build/fuzz/mbroladb_fuzz" 2>/dev/null || true
