# Copies the shipped conf/ files into the program folder. The template is
# always refreshed; the catalogue and the start page (written by the build
# from the template, PAGE) are seeded only when absent, because the program
# rewrites them in place.
file(MAKE_DIRECTORY "${DST}")
file(COPY "${SRC}/index_tpl.htm" DESTINATION "${DST}")
if(NOT EXISTS "${DST}/config.xml")
  file(COPY "${SRC}/config.xml" DESTINATION "${DST}")
endif()
if(NOT EXISTS "${DST}/index.htm")
  file(COPY "${PAGE}" DESTINATION "${DST}")
endif()
