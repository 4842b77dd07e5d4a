# The Python client's tests: pytest against the real marlsim and its demo
# host. The first python3 on PATH may be a private one without pytest, so
# the interpreter is the first that can import it.
function(marl_python_imports result candidate)
  execute_process(COMMAND ${candidate} -c "import ${MARL_PYTHON_MODULE}" RESULT_VARIABLE failed
    OUTPUT_QUIET ERROR_QUIET)
  if(failed)
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()
set(MARL_PYTHON_MODULE pytest)
find_program(MARL_PYTEST_PYTHON NAMES python3 VALIDATOR marl_python_imports)

if(TARGET marlsim)
  if(MARL_PYTEST_PYTHON)
    # The files by name, so that a lost file fails the run instead of
    # collecting nothing; conftest.py fails a run that collects nothing or
    # skips a test.
    add_test(NAME python_client
      COMMAND ${MARL_PYTEST_PYTHON} -m pytest -p no:cacheprovider -q
        ${CMAKE_CURRENT_SOURCE_DIR}/python/test_golden.py
        ${CMAKE_CURRENT_SOURCE_DIR}/python/test_demo.py
      WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  else()
    add_test(NAME python_client COMMAND ${CMAKE_COMMAND} -E echo
      "no python3 with pytest: tools/install-deps.sh installs python3-pytest")
    set_tests_properties(python_client PROPERTIES WILL_FAIL TRUE)
  endif()
  set_tests_properties(python_client PROPERTIES TIMEOUT 300
    ENVIRONMENT "MARLSIM=$<TARGET_FILE:marlsim>;PYTHONPATH=${CMAKE_SOURCE_DIR}/python;PYTHONDONTWRITEBYTECODE=1")
endif()

# A real Locust run (master and two workers) of marlsim terminals against the
# demo host; Debian's python3-locust, so the first python3 that imports it.
set(MARL_PYTHON_MODULE locust)
find_program(MARL_LOCUST_PYTHON NAMES python3 VALIDATOR marl_python_imports)

if(TARGET marlsim AND TARGET marlsim-demo-host)
  if(MARL_LOCUST_PYTHON)
    add_test(NAME locust_run
      COMMAND ${MARL_LOCUST_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/python/locust_run.py)
  else()
    add_test(NAME locust_run COMMAND ${CMAKE_COMMAND} -E echo
      "no python3 with locust: tools/install-deps.sh installs python3-locust")
    set_tests_properties(locust_run PROPERTIES WILL_FAIL TRUE)
  endif()
  set_tests_properties(locust_run PROPERTIES TIMEOUT 600
    ENVIRONMENT "MARLSIM=$<TARGET_FILE:marlsim>;MARLSIM_DEMO_HOST=$<TARGET_FILE:marlsim-demo-host>;PYTHONPATH=${CMAKE_SOURCE_DIR}/python;PYTHONDONTWRITEBYTECODE=1")
endif()
