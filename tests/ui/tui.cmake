# The terminal front end: its key and cell mapping, and the real marlsim
# under tmux against a scripted host.
if(TARGET marlsim)
  add_executable(marl_tui_tests ui/tui_test.cpp ui/tui_model_test.cpp ui/tui_record_test.cpp)
  target_include_directories(marl_tui_tests PRIVATE support integration ui)
  target_link_libraries(marl_tui_tests PRIVATE marl_tui GTest::gtest GTest::gtest_main)
  target_compile_definitions(marl_tui_tests PRIVATE MARLSIM_PATH="$<TARGET_FILE:marlsim>")
  add_dependencies(marl_tui_tests marlsim)
  gtest_discover_tests(marl_tui_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endif()
