# What the tests of a sanitizer build (TAVLIN_SANITIZE) run with. ctest gives it to every test
# of the build folder, so running ctest there is the same as the suite.
#
# Every test process hosts a real Java VM, which was not built with the sanitizers and which
# owns some signals: HotSpot turns SIGSEGV (implicit null checks, safepoint polls, stack
# banging), SIGFPE (integer division in compiled code) and SIGBUS (its mapped archives) into
# Java behaviour. AddressSanitizer must install no handler of its own for them (handle_*=0),
# or the first null check in Java code ends the process as a "crash"; the VM's handlers are
# then the only ones, so allow_user_segv_handler has nothing to allow, and with no handler of
# its own AddressSanitizer sets up no alternate signal stack either.
#
# LeakSanitizer stays on: the VM's own allocations that live until the process ends are
# suppressed by the VM's libraries (tests/sanitizers/lsan.supp), so what it reports is an
# allocation made by our code that nothing frees. intercept_tls_get_addr=0 keeps it from
# tracking the dynamic thread-local storage of the VM's threads itself: the ranges it
# recorded there were wrong, and scanning them at exit faulted.
#
# UndefinedBehaviorSanitizer is built not to recover; its options add the stack to a report.
set(TAVLIN_SANITIZER_FILES ${PROJECT_SOURCE_DIR}/tests/sanitizers)
set(TAVLIN_SANITIZER_ENVIRONMENT_address
    "ASAN_OPTIONS=handle_segv=0:handle_sigbus=0:handle_sigfpe=0:intercept_tls_get_addr=0"
    "LSAN_OPTIONS=suppressions=${TAVLIN_SANITIZER_FILES}/lsan.supp:print_suppressions=0")
set(TAVLIN_SANITIZER_ENVIRONMENT_undefined "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
set(TAVLIN_SANITIZER_ENVIRONMENT_thread "TSAN_OPTIONS=suppressions=${TAVLIN_SANITIZER_FILES}/tsan.supp")

set(TAVLIN_TEST_ENVIRONMENT "")
string(REPLACE "," ";" _sanitizers "${TAVLIN_SANITIZE}")
foreach(_sanitizer IN LISTS _sanitizers)
  list(APPEND TAVLIN_TEST_ENVIRONMENT ${TAVLIN_SANITIZER_ENVIRONMENT_${_sanitizer}})
endforeach()

# tavlin_test_environment(test...): tests added with add_test.
function(tavlin_test_environment)
  if(TAVLIN_TEST_ENVIRONMENT)
    set_tests_properties(${ARGN} PROPERTIES ENVIRONMENT "${TAVLIN_TEST_ENVIRONMENT}")
  endif()
endfunction()

# tavlin_discovered_test_environment(target): the tests gtest_discover_tests finds in target.
# They exist only when ctest runs, after the discovery's own include file has named them in
# <target>_TESTS; the environment (a list) cannot travel through its PROPERTIES, which
# flatten lists.
function(tavlin_discovered_test_environment target)
  if(NOT TAVLIN_TEST_ENVIRONMENT)
    return()
  endif()
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_environment.cmake)
  file(WRITE ${script}
       "if(DEFINED ${target}_TESTS)\n"
       "  set_tests_properties(\${${target}_TESTS} PROPERTIES ENVIRONMENT [==[${TAVLIN_TEST_ENVIRONMENT}]==])\n"
       "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()
