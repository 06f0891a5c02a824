# Copies the shipped conf/ files into the program folder. The template is
# always refreshed; the catalogue and start page are seeded only when absent,
# because the program rewrites them in place.
set(FILES config.xml index_tpl.htm index.htm)
file(MAKE_DIRECTORY "${DST}")
foreach(f ${FILES})
  if(NOT EXISTS "${SRC}/${f}")
    continue()
  endif()
  if(f STREQUAL "index_tpl.htm" OR NOT EXISTS "${DST}/${f}")
    file(COPY "${SRC}/${f}" DESTINATION "${DST}")
  endif()
endforeach()
