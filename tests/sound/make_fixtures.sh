#!/bin/sh
# Makes the sound test fixtures in the directory given: PCM WAVs, Ogg Vorbis
# files and each Ogg file's reference decode (raw 16-bit little-endian
# signed PCM).
set -eu
out=$1
mkdir -p "$out"
cd "$out"
sox -n -r 22050 -c 1 -b 8 -e unsigned-integer mono8.wav synth 0.5 sine 440
sox -n -r 44100 -c 2 -b 16 -e signed-integer stereo16.wav synth 0.5 sine 330 sine 550
sox -n -r 22050 -c 1 -b 16 -e signed-integer mono22k-source.wav synth 1.0 sine 660
sox -n -r 44100 -c 2 -b 16 -e signed-integer stereo-source.wav synth 0.4 sine 220 sine 440
sox -n -r 22050 -c 2 -b 16 -e signed-integer short-source.wav synth 0.1 sine 880 sine 990
sox -n -r 11025 -c 1 -b 16 -e signed-integer long-source.wav synth 10 sine 300
oggenc -Q -q 3 --serial 1234 -o mono22k.ogg mono22k-source.wav
oggenc -Q -q 3 --serial 5678 -o stereo.ogg stereo-source.wav
oggenc -Q -q 3 --serial 4321 -o short.ogg short-source.wav
oggenc -Q -q 3 --serial 8765 -o long.ogg long-source.wav
for name in mono22k stereo short long; do
  oggdec -Q -R -b 16 -e 0 -s 1 -o "$name.raw" "$name.ogg"
done
rm -f mono22k-source.wav stereo-source.wav short-source.wav long-source.wav
touch fixtures.stamp
