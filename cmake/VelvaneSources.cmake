# Source collection by naming convention, through every sub-folder: portable
# files build everywhere, *_win32.cpp only for Windows, *_posix.cpp only for
# the native host build.

function(velvane_collect_sources out_var)
  set(result)
  foreach(dir IN LISTS ARGN)
    file(GLOB_RECURSE all CONFIGURE_DEPENDS "${dir}/*.cpp")
    foreach(src IN LISTS all)
      if(src MATCHES "_win32(_test)?\\.cpp$")
        if(WIN32)
          list(APPEND result "${src}")
        endif()
      elseif(src MATCHES "_posix(_test)?\\.cpp$")
        if(NOT WIN32)
          list(APPEND result "${src}")
        endif()
      else()
        list(APPEND result "${src}")
      endif()
    endforeach()
  endforeach()
  set(${out_var} "${result}" PARENT_SCOPE)
endfunction()
