# Fuzz targets of the picture and palette files of other programs: PNG, JPEG, PPM/PGM and the
# palette formats.
foreach(target imagefiles_png imagefiles_jpeg imagefiles_pnm imagefiles_palettes)
  zentrik_fuzz_target(${target}
                      SOURCES ${CMAKE_CURRENT_LIST_DIR}/${target}.cpp
                      DEPS zentrik_imagefiles)
endforeach()
