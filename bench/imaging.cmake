# Imaging: Resample, the colour-depth conversion, SavePicture and WriteJpegFile against
# libjpeg-turbo called directly, all on a 320 x 240 camera-like frame.
set(IMAGING_BENCH_FRAME ${CMAKE_CURRENT_LIST_DIR}/imaging_frame.cpp)
zentrik_bench(imaging_resample_bench
              SOURCES ${CMAKE_CURRENT_LIST_DIR}/imaging_resample_bench.cpp ${IMAGING_BENCH_FRAME}
              DEPS zentrik_imaging)
zentrik_bench(imaging_save_bench
              SOURCES ${CMAKE_CURRENT_LIST_DIR}/imaging_save_bench.cpp ${IMAGING_BENCH_FRAME}
              DEPS zentrik_colourdepth)
zentrik_bench(imaging_jpeg_bench
              SOURCES ${CMAKE_CURRENT_LIST_DIR}/imaging_jpeg_bench.cpp ${IMAGING_BENCH_FRAME}
              DEPS zentrik_imaging JPEG::JPEG)
