#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while:
#   scripts/fuzz.sh [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build-fuzz
mkdir -p "$out"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -IMigWizard)
platform=(MigWizard/platform/{TextCodec,PosixCodePage,PosixCharClass,PosixCLocale,LargeStack,ClassRegistry}.cpp MigWizard/streams/{FormResource,FloatText,ObjectBinaryToText,ObjectTextToBinary}.cpp)
clang++ "${flags[@]}" tests/fuzz/stream_fuzzer.cpp "${platform[@]}" -licuuc -licudata -lpthread -o "$out/stream_fuzzer"
clang++ "${flags[@]}" tests/fuzz/form_parser_fuzzer.cpp MigWizard/grammar/*.cpp MigWizard/support/StrUtils.cpp \
  "${platform[@]}" -licuuc -licudata -lpthread -o "$out/form_parser_fuzzer"
for target in stream_fuzzer form_parser_fuzzer; do
  mkdir -p "$out/corpus-$target"
  "$out/$target" -max_total_time="$seconds" -max_len=4096 "$out/corpus-$target"
done
