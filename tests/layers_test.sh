#!/usr/bin/env bash
# The source folders are layers, each including only the layers below it:
# a folder that reaches upwards fails here, with the line that does.
set -euo pipefail
src=$1
layers=(base api host ui launch desktop login app)
status=0
for ((i = 0; i < ${#layers[@]}; i++)); do
  below="${layers[*]:0:i+1}"
  while IFS= read -r line; do
    used=${line#*#include \"}
    used=${used%%/*}
    if [[ " $below " != *" $used "* ]]; then
      echo "src/${layers[i]} reaches up to $used: ${line#"$src"/}"
      status=1
    fi
  done < <(grep -H '^#include "' "$src/${layers[i]}"/* || true)
done
exit $status
