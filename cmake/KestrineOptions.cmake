# One interface target carries the language level, warnings, defines and the
# include root (headers are named from it: "config/EncoderConfiguration.h") for
# every target.
add_library(kestrine_options INTERFACE)
target_include_directories(kestrine_options INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_features(kestrine_options INTERFACE cxx_std_20)
set_target_properties(kestrine_options PROPERTIES INTERFACE_CXX_EXTENSIONS OFF)
set(CMAKE_CXX_EXTENSIONS OFF)

if(MSVC)
  target_compile_options(kestrine_options INTERFACE /W4 /permissive- /utf-8)
  target_compile_definitions(kestrine_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WINSOCK_DEPRECATED_NO_WARNINGS)
  if(KESTRINE_WARNINGS_AS_ERRORS)
    target_compile_options(kestrine_options INTERFACE /WX)
  endif()
else()
  target_compile_options(kestrine_options INTERFACE -Wall -Wextra -Wpedantic)
  if(KESTRINE_WARNINGS_AS_ERRORS)
    target_compile_options(kestrine_options INTERFACE -Werror)
  endif()
endif()

# Sanitizers pad every frame, so code that recurses needs more stack than in a
# plain build: every thread stack the program sizes is multiplied by this (the
# asan-ubsan and fuzz presets set it).
set(KESTRINE_STACK_SCALE 1 CACHE STRING "Multiplier for the thread stacks the program sizes (sanitizer builds: 4)")
if(NOT KESTRINE_STACK_SCALE MATCHES "^[1-9][0-9]*$")
  message(FATAL_ERROR "KESTRINE_STACK_SCALE must be a whole number from 1 up, not '${KESTRINE_STACK_SCALE}'")
endif()
