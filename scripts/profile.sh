#!/usr/bin/env bash
# Writes the profile that optimises the release build (build/): builds an instrumented
# program into build-profile/ and converts typical input with it, the sample data set
# and a small generated one (a seed of its own, not the benchmark's), in every output
# form. Prints the profile folder. Trains again only when the program changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folder="$root/build-profile"
profile="$folder/profile"
cmake -S "$root" -B "$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORDEVIK_PROFILE=generate \
    -DORDEVIK_PROFILE_DIR="$profile" >/dev/null
cmake --build "$folder" -j "$(nproc)" --target ordevik-batch generate_dataset >/dev/null
stamp="$folder/trained"
if [ -f "$stamp" ] && [ "$stamp" -nt "$folder/ordevik-batch" ]; then
    echo "$profile"
    exit 0
fi
rm -rf "$profile" "$folder/train"
mkdir -p "$folder/train"
"$folder/generate_dataset" "$folder/train/generated" --scale 0.05 --seed 7 --filesets 2 >/dev/null
sample="$root/samples/demo"
for set in "$sample" "$folder/train/generated"; do
    dtd="$sample/dtd"
    for form in "" "--per-kind"; do
        for encoding in "" "--shift-jis"; do
            "$folder/ordevik-batch" --csv "$set/filesets.csv" --data "$set/data" --dtd "$dtd" \
                --out "$folder/train/out" --settings "$root/resources/ordevik.ini" \
                --existing overwrite --quiet $form $encoding >/dev/null 2>&1 || true
        done
    done
done
rm -rf "$folder/train/out"
touch "$stamp"
echo "$profile"
