# Tests of the platform core: automation rules, Variant, dispatch, message loop and timers,
# presenters and application, files, registry, Shell and clock.
zentrik_test(platform_core_test
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/core_automation_test.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/core_variant_test.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/core_dispatch_test.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/core_message_loop_test.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/core_presenter_test.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/core_files_test.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/core_registry_test.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/core_process_test.cpp
             DEPS zentrik_platform)
