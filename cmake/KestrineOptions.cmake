# One interface target carries the language level, warnings and defines for every target.
add_library(kestrine_options INTERFACE)
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

# Sources that are not ours (GoogleTest macros, Qt moc output) keep their own warnings.
add_library(kestrine_test_options INTERFACE)
target_link_libraries(kestrine_test_options INTERFACE kestrine_options)
