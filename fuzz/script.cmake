# Fuzz target of the control script: any text parsed, checked and, when clean, run.
zentrik_fuzz_target(script
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/script_fuzz.cpp
                    DEPS zentrik_script)
