# The `zentrik` program end to end: `zentrik watch --fast` with 16 zones on a 1080p H.264 clip
# made at start, against the same clip decoded and scaled by the source driver alone and the
# same zones on the virtual camera, to show what share decoding and scaling take.
zentrik_bench(apps_watch_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/apps_watch_bench.cpp
              DEPS zentrik_sources)
target_compile_definitions(apps_watch_bench PRIVATE ZENTRIK_PROGRAM="$<TARGET_FILE:zentrik>")
add_dependencies(apps_watch_bench zentrik)
