# cuemill_library(name SOURCES ... DEPS ...): one static library per source folder.
# Our own code is warning-clean and built without exceptions or strict aliasing
# (UTF-16 buffers are viewed as both char16_t and wchar_t at the Win32 boundary).
function(cuemill_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -fno-strict-aliasing -fno-exceptions)
endfunction()

function(cuemill_library name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${L_DEPS})
  cuemill_warnings(${name})
endfunction()
