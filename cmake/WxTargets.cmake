# Imported targets wx::<lib> from wx-config, one per wxWidgets library, so
# that each of our targets links exactly the toolkit parts it may use.
find_program(WX_CONFIG_EXECUTABLE NAMES wx-config REQUIRED)
execute_process(COMMAND ${WX_CONFIG_EXECUTABLE} --version
                OUTPUT_VARIABLE ORVANE_WX_VERSION OUTPUT_STRIP_TRAILING_WHITESPACE)
if(ORVANE_WX_VERSION VERSION_LESS 3.2)
  message(FATAL_ERROR "wxWidgets 3.2 or newer is needed, found ${ORVANE_WX_VERSION}")
endif()
execute_process(COMMAND ${WX_CONFIG_EXECUTABLE} --cxxflags
                OUTPUT_VARIABLE _wx_cxxflags OUTPUT_STRIP_TRAILING_WHITESPACE)
separate_arguments(_wx_cxxflags UNIX_COMMAND "${_wx_cxxflags}")

function(orvane_wx_target name)
  execute_process(COMMAND ${WX_CONFIG_EXECUTABLE} --libs ${ARGN}
                  OUTPUT_VARIABLE _libs OUTPUT_STRIP_TRAILING_WHITESPACE)
  separate_arguments(_libs UNIX_COMMAND "${_libs}")
  add_library(wx::${name} INTERFACE IMPORTED GLOBAL)
  target_compile_options(wx::${name} INTERFACE ${_wx_cxxflags})
  target_link_libraries(wx::${name} INTERFACE ${_libs})
endfunction()

orvane_wx_target(base base)
orvane_wx_target(xml xml base)
orvane_wx_target(core core base)
orvane_wx_target(adv adv core base)
orvane_wx_target(aui aui core base)
orvane_wx_target(webview webview core base)
