#!/usr/bin/env bash
# The main job: Java used through the bridge, the way its users meet it.
#  1. a C++ automation client of the native build (IDispatch, late bound);
#  2. VBScript and JScript through Wine's cscript, driving the registered 64-bit tavlin.dll
#     with the machine's OpenJDK behind a test-only forwarding jvm.dll.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
bash scripts/setup.sh
echo "== building (native and 64-bit Windows)"
TAVLIN_TARGETS="linux win64" bash scripts/build.sh >/dev/null

echo "== the C++ client of the native build"
TAVLIN_REGISTRY="$top/build/linux/demo-registry.reg" "$top/build/linux/examples/tavlin_demo"
echo
sh "$top/examples/run-demo.sh" "$top/build/win64"
