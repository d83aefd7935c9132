# Reads every source's #include lines and fails when a folder reaches one it may
# not, so the layers stay as designed:
#   platform <- config <- net <- cli / sim / app;  platform <- config <- stream <- cli / sim / app;
#   property_tree knows no encoder;
#   Qt only in property_tree and app (and their tests and benchmarks);
#   sim only for the simulator itself, the tests, the benchmarks and the fuzzers;
#   TinyXML only in config (everyone else reads documents through its reader);
#   the desktop program (app, property_tree) builds on Windows too, so it includes no
#   POSIX, X11 or Windows header: what differs between systems lives in platform.
# Run: cmake -DSOURCE_DIR=<tree> -P CheckLayers.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "CheckLayers.cmake: give -DSOURCE_DIR=<the source tree>")
endif()

set(layers platform config net stream cli sim app property_tree)
set(allowed_platform platform)
set(allowed_config platform config)
set(allowed_net platform config net)
set(allowed_stream platform config stream)
set(allowed_cli platform config net stream cli)
set(allowed_sim platform config net stream sim)
set(allowed_app platform config net stream property_tree app)
set(allowed_property_tree property_tree)
# Tests, benchmarks and fuzzers drive any layer, and the simulator is their encoder.
set(allowed_tests ${layers} tests support fuzz)
set(allowed_bench ${layers} tests support)
set(allowed_fuzz ${layers} fuzz)
set(qt_folders property_tree app tests/property_tree tests/app bench/property_tree bench/app)
set(portable_folders app property_tree)
set(system_headers
  "unistd\\.h" "sys/.*" "arpa/.*" "netinet/.*" "net/if\\.h" "netdb\\.h" "poll\\.h" "fcntl\\.h" "dlfcn\\.h"
  "signal\\.h" "pthread\\.h" "semaphore\\.h" "sched\\.h" "spawn\\.h" "termios\\.h" "dirent\\.h" "pwd\\.h"
  "grp\\.h" "syslog\\.h" "iconv\\.h" "langinfo\\.h" "X11/.*" "xcb/.*" "wayland-.*"
  "windows\\.h" "winsock2?\\.h" "ws2tcpip\\.h" "io\\.h" "direct\\.h" "process\\.h" "shellapi\\.h")
list(JOIN system_headers "|" system_header_pattern)

set(violations "")
set(checked 0)
foreach(folder IN LISTS layers ITEMS tests bench fuzz)
  file(GLOB_RECURSE sources LIST_DIRECTORIES false RELATIVE "${SOURCE_DIR}"
       "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    math(EXPR checked "${checked} + 1")
    set(qt_allowed FALSE)
    set(portable FALSE)
    foreach(portable_folder IN LISTS portable_folders)
      if(source MATCHES "^${portable_folder}/")
        set(portable TRUE)
      endif()
    endforeach()
    foreach(qt_folder IN LISTS qt_folders)
      if(source MATCHES "^${qt_folder}/")
        set(qt_allowed TRUE)
      endif()
    endforeach()
    file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" header "${line}")
      if(header MATCHES "^Q[A-Za-z]*(/|$)" AND NOT qt_allowed)
        list(APPEND violations "${source}: Qt is not used here: ${header}")
        continue()
      endif()
      if(header STREQUAL "tinyxml.h" AND NOT source MATCHES "^config/")
        list(APPEND violations "${source}: TinyXML is config's own: ${header}")
        continue()
      endif()
      if(portable AND header MATCHES "^(${system_header_pattern})$")
        list(APPEND violations "${source}: ${header} is not on every system the desktop builds for (only platform/ may use it)")
        continue()
      endif()
      # The system's headers come in angle brackets (<net/if.h> is no layer); the folder's own by plain name.
      if(line MATCHES "include[ \t]*<" OR NOT header MATCHES "^([A-Za-z_]+)/")
        continue()
      endif()
      string(REGEX MATCH "^[A-Za-z_]+" target "${header}")
      if(NOT target IN_LIST layers AND NOT target MATCHES "^(tests|support|fuzz)$")
        continue()  # a library's own folders, such as CLI/ or gtest/
      endif()
      if(NOT target IN_LIST allowed_${folder})
        list(APPEND violations "${source}: ${folder}/ may not include ${header}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n" report)
  message(FATAL_ERROR "Layer violations:\n${report}")
endif()
message(STATUS "Layers kept by all ${checked} sources")
