# cmake -DFILE=<path> -DLIMIT=<bytes> [-DREPORT_ONLY=ON] -P CheckFileSize.cmake
# Prints the file's size against its limit; fails above it unless REPORT_ONLY.
file(SIZE "${FILE}" size)
get_filename_component(name "${FILE}" NAME)
math(EXPR spare "${LIMIT} - ${size}")
if(size GREATER LIMIT)
  if(REPORT_ONLY)
    message(WARNING "${name}: ${size} bytes, over the limit of ${LIMIT}")
  else()
    message(FATAL_ERROR "${name}: ${size} bytes, over the limit of ${LIMIT}")
  endif()
else()
  message(STATUS "${name}: ${size} bytes (limit ${LIMIT}, ${spare} to spare)")
endif()
