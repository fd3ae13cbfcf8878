# Benchmarks of the colour subsystem: octree palette, palette mapping against its linear-scan
# baseline, grey and black and white on a 1920 x 1080 photo-like image.
zentrik_bench(colour_reduce_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/colour_reduce_bench.cpp
              DEPS zentrik_colour zentrik_imaging)
target_include_directories(colour_reduce_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
