# Smoke tests of the benchmarks: every benchmark runs for a minimal time through the same
# driver as scripts/bench, which fails when a benchmark fails or gives no figure. They
# check that the benchmarks keep building and running, not how fast anything is. The
# interrupt benchmarks start threads that meet the library's interrupt thread, so they also
# run under ThreadSanitizer.
if(TARGET corvane_bench_calls)
  find_program(CORVANE_BENCH_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
  get_property(bench_python_builds GLOBAL PROPERTY CORVANE_PYTHON_BUILDS)
  foreach(group calls interrupts startup python)
    if(group STREQUAL "python" AND NOT bench_python_builds)
      continue()
    endif()
    set(labels bench)
    if(group STREQUAL "interrupts")
      list(APPEND labels concurrency)
    endif()
    add_test(NAME bench.smoke.${group}
      COMMAND ${CORVANE_BENCH_PYTHON} ${CMAKE_SOURCE_DIR}/bench/run_bench.py
              --build ${CMAKE_BINARY_DIR} --quick --only ${group}
              --out ${CMAKE_CURRENT_BINARY_DIR}/bench_smoke_${group}.md)
    set_tests_properties(bench.smoke.${group} PROPERTIES LABELS "${labels}" TIMEOUT 120)
  endforeach()
endif()
