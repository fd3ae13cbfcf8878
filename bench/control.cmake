# The control's frame handler on virtual-camera frames, whole and by parts.
zentrik_bench(control_frame_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/control_frame_bench.cpp
              DEPS zentrik_control)
