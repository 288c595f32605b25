# Applied per target so third-party headers pulled in as SYSTEM stay quiet.
function(vex3d_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wnon-virtual-dtor
                                           -Wno-missing-field-initializers)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wshadow=local)
  else()
    target_compile_options(${target} PRIVATE -Wshadow-uncaptured-local)
  endif()
  if(VEX3D_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
