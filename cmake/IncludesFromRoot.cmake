# Fails when a quoted include of FILES is neither a form header the build generates (ui_*.h) nor a
# path from the source root ROOT. A path relative to the including file ("../protocol/Exchange.h",
# "Summary.h") would reach a header past the library views that keep the layers apart.
#   cmake -DROOT=<source root> -DFILES=<a;b;c> [-DSTAMP=<file touched when all pass>] -P IncludesFromRoot.cmake
cmake_minimum_required(VERSION 3.25)
set(refused "")
foreach(file IN LISTS FILES)
  if(NOT IS_ABSOLUTE "${file}")
    set(file "${ROOT}/${file}")
  endif()
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" path "${line}")
    if(path MATCHES "^ui_[A-Za-z0-9_]+\\.h$")
      continue()
    endif()
    if(path MATCHES "(^|/)\\.\\.?(/|$)" OR IS_ABSOLUTE "${path}" OR NOT path MATCHES "/"
       OR NOT EXISTS "${ROOT}/${path}")
      file(RELATIVE_PATH shown "${ROOT}" "${file}")
      string(APPEND refused "  ${shown}: #include \"${path}\"\n")
    endif()
  endforeach()
endforeach()
if(refused)
  message(FATAL_ERROR "includes not written from the source root:\n${refused}")
endif()
if(STAMP)
  file(TOUCH "${STAMP}")
endif()
