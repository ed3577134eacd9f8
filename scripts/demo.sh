#!/usr/bin/env bash
# The main job: a client program that creates Java objects by class name and calls them
# through IDispatch, exactly as an automation client does.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
bash scripts/setup.sh
TAVLIN_TARGETS=linux bash scripts/build.sh >/dev/null
exec "$top/build/linux/examples/tavlin_demo"
