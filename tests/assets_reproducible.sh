#!/bin/sh
# The generator still writes the committed assets byte for byte.
set -eu
assetgen=$1
assets=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$assetgen" "$out"
status=0
for file in "$out"/*; do
    name=$(basename "$file")
    if ! cmp -s "$file" "$assets/$name"; then
        echo "FAIL: $name differs from the committed file"
        status=1
    fi
done
[ "$status" -eq 0 ] && echo "all $(ls "$out" | wc -l) generated files match"
exit "$status"
