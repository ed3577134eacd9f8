#!/bin/sh
# Every line of every VBScript and JScript example in README.md and docs/scripting.md stands,
# as written, in doc_examples.vbs or doc_examples.js, which run them under Wine with checks:
# an example changed in the documents fails here until the script client runs it too.
#   doc_examples_check.sh <source folder>
set -eu
top=$1
here=$top/tests/clients
missing=0
for document in "$top/README.md" "$top/docs/scripting.md"; do
  for language in vbscript javascript; do
    case $language in vbscript) client=$here/doc_examples.vbs ;; *) client=$here/doc_examples.js ;; esac
    # The example lines, without their indentation, one per line.
    lines=$(awk -v fence="\`\`\`$language" '$0 == fence { inside = 1; next } /^```/ { inside = 0 } inside' "$document" |
            sed 's/^[[:space:]]*//' | grep -v '^$' || true)
    [ -n "$lines" ] || continue
    while IFS= read -r line; do
      if ! grep -qF -- "$line" "$client"; then
        echo "not run by $(basename "$client"): $(basename "$document"): $line"
        missing=$((missing + 1))
      fi
    done <<EOF_LINES
$lines
EOF_LINES
  done
done
echo "$missing example lines not run by the script clients"
[ "$missing" -eq 0 ]
