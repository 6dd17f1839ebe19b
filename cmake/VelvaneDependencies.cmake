# Third-party libraries. The host build uses the distribution's packages;
# the Windows builds use the static libraries that tools/build-deps.sh
# cross-builds into a cache outside the tree (found through the toolchain's
# CMAKE_FIND_ROOT_PATH). Modules that decode files link velvane_deps.

find_package(Threads REQUIRED)
add_library(velvane_deps INTERFACE)

if(WIN32)
  set(velvane_dep_libs ZLIB=z PNG=png16 JPEG=jpeg OGG=ogg VORBIS=vorbis
      VORBISFILE=vorbisfile THEORADEC=theoradec)
  set(velvane_missing)
  set(velvane_found_libs)
  foreach(pair IN LISTS velvane_dep_libs)
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 var)
    list(GET pair 1 lib)
    find_library(VELVANE_LIB_${var} NAMES lib${lib}.a ${lib})
    if(VELVANE_LIB_${var})
      list(PREPEND velvane_found_libs "${VELVANE_LIB_${var}}")
    else()
      list(APPEND velvane_missing ${lib})
    endif()
  endforeach()
  find_path(VELVANE_DEPS_INCLUDE NAMES png.h)
  if(velvane_missing OR NOT VELVANE_DEPS_INCLUDE)
    message(FATAL_ERROR "Cross-built libraries missing (${velvane_missing}): run tools/build-deps.sh")
  endif()
  target_include_directories(velvane_deps SYSTEM INTERFACE "${VELVANE_DEPS_INCLUDE}")
  target_link_libraries(velvane_deps INTERFACE ${velvane_found_libs})
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(VELVANE_PKG REQUIRED IMPORTED_TARGET
    libpng libjpeg zlib ogg vorbis vorbisfile theoradec)
  target_link_libraries(velvane_deps INTERFACE PkgConfig::VELVANE_PKG)
endif()
