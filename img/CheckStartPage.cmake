# Run by ctest: the start-page template has no byte-order mark and holds each
# version placeholder exactly once (only the first one is ever replaced).
#   cmake -DCONF_DIR=<repo>/conf -P CheckStartPage.cmake
file(READ "${CONF_DIR}/index_tpl.htm" tpl)
file(READ "${CONF_DIR}/index_tpl.htm" head LIMIT 3 HEX)
if(head STREQUAL "efbbbf")
  message(FATAL_ERROR "index_tpl.htm starts with a byte-order mark")
endif()
foreach(placeholder your_version latest_version)
  string(REGEX MATCHALL "\\$${placeholder}\\$" found "${tpl}")
  list(LENGTH found n)
  if(NOT n EQUAL 1)
    message(FATAL_ERROR "index_tpl.htm holds \$${placeholder}\$ ${n} times, expected once")
  endif()
endforeach()
message(STATUS "start-page template is sound")
