# Run by ctest: the shipped start page is the template with both placeholders
# filled in, and the template holds each placeholder exactly once (only the
# first one is ever replaced). The shipped page is what users see until a
# version check succeeds, so it must not drift from the template.
#   cmake -DCONF_DIR=<repo>/conf -P CheckStartPage.cmake
file(READ "${CONF_DIR}/index_tpl.htm" tpl)
file(READ "${CONF_DIR}/index.htm" page)
foreach(f index_tpl.htm index.htm)
  file(READ "${CONF_DIR}/${f}" head LIMIT 3 HEX)
  if(head STREQUAL "efbbbf")
    message(FATAL_ERROR "${f} starts with a byte-order mark")
  endif()
endforeach()
foreach(placeholder your_version latest_version)
  string(REGEX MATCHALL "\\$${placeholder}\\$" found "${tpl}")
  list(LENGTH found n)
  if(NOT n EQUAL 1)
    message(FATAL_ERROR "index_tpl.htm holds \$${placeholder}\$ ${n} times, expected once")
  endif()
endforeach()
string(REPLACE "$your_version$" "Your Version - 5.9.22.0" expected "${tpl}")
string(REPLACE "$latest_version$" "Latest Version - not checked yet" expected "${expected}")
if(NOT expected STREQUAL page)
  message(FATAL_ERROR "conf/index.htm is not conf/index_tpl.htm with its placeholders filled in; "
          "regenerate it:\n  sed -e 's/\\$your_version\\$/Your Version - 5.9.22.0/' "
          "-e 's/\\$latest_version\\$/Latest Version - not checked yet/' index_tpl.htm > index.htm")
endif()
message(STATUS "start page matches its template")
