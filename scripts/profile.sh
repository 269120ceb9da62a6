#!/usr/bin/env bash
# Writes the profile that optimises the release build (build/): builds an instrumented
# program into build-profile/ and converts typical input with it, the sample data set
# and a small generated data set of every shape the benchmark has (a seed of its own,
# not the benchmark's), in every output form and with maps, so that no shape's code is
# laid out as cold. Prints the profile folder. Trains again only when the program changed.
#
# It trains on one thread only: code that only more threads run (ordevik-batch --jobs
# with fewer filesets than threads, the wizard) is optimised as without a profile.
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
sets=("$root/samples/demo")
for shape in degrees metres offset small big; do
    extra=()
    if [ "$shape" = small ]; then
        extra=(--filesets 24)
    fi
    "$folder/generate_dataset" "$folder/train/$shape" --scale 0.02 --seed 7 --shape "$shape" \
        "${extra[@]}" >/dev/null
    sets+=("$folder/train/$shape")
done
sample="$root/samples/demo"
for set in "${sets[@]}"; do
    dtd="$sample/dtd"
    for form in "" "--per-kind"; do
        for encoding in "" "--shift-jis"; do
            "$folder/ordevik-batch" --csv "$set/filesets.csv" --data "$set/data" --dtd "$dtd" \
                --out "$folder/train/out" --settings "$root/resources/ordevik.ini" \
                --existing overwrite --quiet $form $encoding >/dev/null 2>&1 || true
        done
    done
    # The maps too, so that drawing and writing them is not laid out as cold.
    "$folder/ordevik-batch" --csv "$set/filesets.csv" --data "$set/data" --dtd "$dtd" \
        --out "$folder/train/out" --settings "$root/resources/ordevik.ini" \
        --existing overwrite --quiet --preview "$folder/train/maps" >/dev/null 2>&1 || true
done
rm -rf "$folder/train/out" "$folder/train/maps"
touch "$stamp"
echo "$profile"
