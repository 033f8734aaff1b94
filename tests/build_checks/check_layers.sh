#!/usr/bin/env bash
# Folders under src/ are layers: a file includes project headers only from its own folder or a
# lower one. Prints every include that points up and fails when there is one.
set -u
src=${1:?usage: check_layers.sh SRC_DIR}
# Lowest first; folders on one line share a rank.
ranks=(
  "platform"
  "settings"
  "keyboard"
  "emulator"
  "transport"
  "ssh"
  "xfer"
  "script"
  "print"
  "session"
  "ui tools"
)
declare -A rank
for i in "${!ranks[@]}"; do
  for folder in ${ranks[$i]}; do rank[$folder]=$i; done
done

bad=0
while IFS= read -r file; do
  rel=${file#"$src"/}
  own=${rel%%/*}
  if [ -z "${rank[$own]+x}" ]; then
    echo "$rel: folder '$own' has no place in the layer list"
    bad=1
    continue
  fi
  while IFS= read -r inc; do
    folder=${inc%%/*}
    [ -n "${rank[$folder]+x}" ] || continue
    if [ "${rank[$folder]}" -gt "${rank[$own]}" ]; then
      echo "$rel includes $inc: '$folder' is above '$own'"
      bad=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([a-z_]*\/[^"]*\)".*/\1/p' "$file")
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if [ "$bad" -ne 0 ]; then
  echo "layer check failed"
  exit 1
fi
echo "layer check passed"
