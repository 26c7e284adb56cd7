# Fails when a file is opened outside the file access of src/files
# (file_access.*): every reader and writer of the program goes through it
# (see docs/ARCHITECTURE.md, "Every file the program reads or writes").
# Run by ctest as file_access_only_in_src_files:
#   cmake -DQV_SOURCE_DIR=<repository> -P cmake/check_file_access.cmake
if(NOT QV_SOURCE_DIR)
  message(FATAL_ERROR "QV_SOURCE_DIR is not set")
endif()

# Files that may still open files themselves, each with its reason.
set(qv_allowed
  # QPrinter writes a print-to-file job itself; the canvas only removes the
  # file of a cancelled job.
  src/gui/print/qt_print_canvas.cpp
  # The picture generator runs at build time and writes into the source tree;
  # it is no part of the program.
  tools/gen_pictures.cpp
)

set(qv_pattern "(fopen|freopen|ldif_open)[ ]*\\(|std::(i|o)?fstream|QFile[^A-Za-z_]|QSaveFile")
file(GLOB_RECURSE qv_sources RELATIVE ${QV_SOURCE_DIR}
  ${QV_SOURCE_DIR}/src/*.cpp ${QV_SOURCE_DIR}/src/*.h
  ${QV_SOURCE_DIR}/tools/*.cpp ${QV_SOURCE_DIR}/tools/*.h)
set(qv_found "")
foreach(f IN LISTS qv_sources)
  if(f MATCHES "^src/files/file_access\\.(cpp|h)$")
    continue()
  endif()
  list(FIND qv_allowed ${f} qv_index)
  if(NOT qv_index EQUAL -1)
    continue()
  endif()
  file(STRINGS ${QV_SOURCE_DIR}/${f} qv_lines REGEX "${qv_pattern}")
  foreach(line IN LISTS qv_lines)
    string(STRIP "${line}" line)
    string(APPEND qv_found "  ${f}: ${line}\n")
  endforeach()
endforeach()
if(qv_found)
  message(FATAL_ERROR "Files opened outside src/files/file_access (use ReadWholeFile, "
    "ReadTextLines, ReplaceFileAtomically or SaveFile):\n${qv_found}")
endif()
message(STATUS "Every file is opened through src/files/file_access.")
