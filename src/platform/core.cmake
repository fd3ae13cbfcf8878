# Core of the platform library: automation types and errors, Variant, dispatch, the message loop
# and timers, message boxes, the application object, files, clock, registry and Shell.
list(APPEND PLATFORM_CORE_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/automation_error.cpp
     ${CMAKE_CURRENT_LIST_DIR}/number_text.cpp
     ${CMAKE_CURRENT_LIST_DIR}/variant.cpp
     ${CMAKE_CURRENT_LIST_DIR}/dispatch.cpp
     ${CMAKE_CURRENT_LIST_DIR}/message_loop.cpp
     ${CMAKE_CURRENT_LIST_DIR}/timer.cpp
     ${CMAKE_CURRENT_LIST_DIR}/message_box.cpp
     ${CMAKE_CURRENT_LIST_DIR}/application.cpp
     ${CMAKE_CURRENT_LIST_DIR}/file.cpp
     ${CMAKE_CURRENT_LIST_DIR}/replacing_file_writer.cpp
     ${CMAKE_CURRENT_LIST_DIR}/file_system.cpp
     ${CMAKE_CURRENT_LIST_DIR}/clock.cpp
     ${CMAKE_CURRENT_LIST_DIR}/registry.cpp
     ${CMAKE_CURRENT_LIST_DIR}/process.cpp)
# The application object reports the project's version.
set_source_files_properties(
  ${CMAKE_CURRENT_LIST_DIR}/application.cpp
  PROPERTIES COMPILE_DEFINITIONS
             "ZENTRIK_VERSION_MAJOR=${PROJECT_VERSION_MAJOR};ZENTRIK_VERSION_MINOR=${PROJECT_VERSION_MINOR};ZENTRIK_VERSION_PATCH=${PROJECT_VERSION_PATCH}")
