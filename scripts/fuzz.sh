#!/usr/bin/env bash
# Builds the libFuzzer targets of the parsers (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for SECONDS
# (default 60), printing one line per target: executions, coverage and the
# result. Seeds are made here, by our own writers and by sox, libsndfile,
# lame and ffmpeg; the corpus grows in build-fuzz/corpus/ from run to run.
# Exits non-zero when any target found a crash; its input is kept under
# build-fuzz/artifacts/<target>/ and belongs, once mended, in
# tests/fuzz/regressions/<target>/.
#
# Usage: scripts/fuzz.sh [SECONDS]   (FUZZ_JOBS=N targets at a time, default nproc)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
jobs="${FUZZ_JOBS:-$(nproc)}"
build="$root/build-fuzz"
targets=(wav aiff au shelllink id3 midi settings)

"$root/scripts/install-deps.sh" clang libclang-rt-14-dev >/dev/null
mkdir -p "$build"
SONIVERT_BUILD_TARGETS="fuzz_seeds ${targets[*]/#/fuzz_}" CC=clang CXX=clang++ \
  "$root/scripts/build.sh" "$build" -DSONIVERT_FUZZ=ON -DSONIVERT_BUILD_TESTS=OFF -DSONIVERT_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build/build.log" 2>&1 || { tail -n 30 "$build/build.log" >&2; exit 2; }

corpus="$build/corpus"
"$build/tests/fuzz/fuzz_seeds" "$corpus"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
quiet() { "$@" >/dev/null 2>&1 || true; }
sox -R -n -r 8000 -c 2 -b 16 "$scratch/stereo.wav" synth 0.05 sine 440 whitenoise
sox -R -n -r 8000 -c 1 -b 16 "$scratch/mono.wav" synth 0.05 sine 440
for e in pcm16 pcmu8 pcm24 pcm32 float32 float64 alaw ulaw ms-adpcm ima-adpcm; do
  quiet sndfile-convert -$e "$scratch/stereo.wav" "$corpus/wav/sndfile-$e.wav"
done
quiet sndfile-convert -gsm610 "$scratch/mono.wav" "$corpus/wav/sndfile-gsm610.wav"
quiet sox -R -n -r 48000 -c 6 -b 16 "$corpus/wav/sox-extensible.wav" synth 0.01 sine 300
for e in pcm16 pcms8 pcm24 pcm32 float32 float64 alaw ulaw dwvw12 dwvw16 dwvw24 ima-adpcm gsm610; do
  src="$scratch/stereo.wav"; [ "$e" = gsm610 ] && src="$scratch/mono.wav"
  quiet sndfile-convert -$e "$src" "$corpus/aiff/sndfile-$e.aifc"
done
quiet sox -R "$scratch/stereo.wav" "$corpus/aiff/sox.aiff"
for e in pcm16 pcms8 pcm24 pcm32 float32 float64 alaw ulaw; do
  quiet sndfile-convert -$e "$scratch/stereo.wav" "$corpus/au/sndfile-$e.au"
done
for e in g721-32 g723-24 g723-40; do
  quiet sndfile-convert -$e "$scratch/mono.wav" "$corpus/au/sndfile-$e.au"
done
quiet lame --quiet -b 32 --add-id3v2 --tt Title --ta Artist --tl Album --ty 2004 --tc Comment --tn 7 --tg Rock \
  "$scratch/mono.wav" "$corpus/id3/lame-v2v1.mp3"
quiet lame --quiet -b 32 --id3v2-only --pad-id3v2-size 64 --tt Title "$scratch/mono.wav" "$corpus/id3/lame-v2.mp3"
quiet ffmpeg -v error -y -i "$scratch/mono.wav" -c:a libmp3lame -id3v2_version 4 -write_id3v1 1 \
  -metadata title=Title -metadata artist=Artist "$corpus/id3/ffmpeg-v24.mp3"

mkdir -p "$build/artifacts" "$build/logs"
run_target() {
  local name="$1"
  mkdir -p "$build/artifacts/$name"
  "$build/tests/fuzz/fuzz_$name" "$corpus/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/artifacts/$name/" \
    >"$build/logs/$name.log" 2>&1
  echo $? >"$build/logs/$name.rc"
}
running=0
for t in "${targets[@]}"; do
  run_target "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait || true

failed=0
for t in "${targets[@]}"; do
  log="$build/logs/$t.log"
  rc="$(cat "$build/logs/$t.rc")"
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  last="$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)"
  cov="$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")"
  ft="$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")"
  corpus_files="$(find "$corpus/$t" -type f | wc -l)"
  if [ "$rc" = 0 ]; then
    result=ok
  else
    failed=1
    result="CRASH: $(ls "$build/artifacts/$t" | head -n 1) (log: $log)"
  fi
  printf '%-10s %12s execs  cov %6s  ft %7s  corpus %5s  %s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" \
    "$corpus_files" "$result"
done
exit "$failed"
