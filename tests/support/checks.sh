# The shell tests' checks, sourced: check NAME ACTUAL EXPECTED prints "ok: NAME", or
# "FAILED: NAME" with both values, and counts it; checks_done prints "N passed, M failed"
# and fails when any check did.
passed=0
failed=0
check() {
  if [ "$2" = "$3" ]; then
    passed=$((passed + 1)); echo "ok: $1"
  else
    failed=$((failed + 1)); echo "FAILED: $1 (got '$2', expected '$3')"
  fi
}
checks_done() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
