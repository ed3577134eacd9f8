#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds every target and runs every test
# (native, native under the sanitizers, and the Windows builds under Wine) through ctest.
set -uo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"

bash scripts/setup.sh || { echo "setup failed"; exit 1; }
bash scripts/build.sh || { echo "build failed"; exit 1; }

passed=0
failed=0
status=0
for target in ${TAVLIN_TARGETS:-linux linux-newest-java linux-asan win32 win64}; do
  echo "== testing $target"
  log="build/$target/ctest.log"
  java_home=
  if [ "$target" = linux-newest-java ]; then
    # The bridge finds the machine's Java through JAVA_HOME first: the newest one here.
    java_home=$(bash scripts/newest-java.sh)
    [ -n "$java_home" ] || { echo "note: no JDK newer than the default one is installed; skipped"; continue; }
  fi
  env ${java_home:+JAVA_HOME="$java_home"} ctest --test-dir "build/$target" -j "${TAVLIN_JOBS:-$(nproc)}" --output-on-failure --timeout 600 --repeat after-timeout:2 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -n "$summary" ]; then
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  fi
done

echo
echo "total: $passed passed, $failed failed"
exit $status
