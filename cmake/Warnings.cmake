# Applied per target so third-party headers pulled in as SYSTEM stay quiet.
function(vex3d_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow=local
                                           -Wnon-virtual-dtor -Wno-missing-field-initializers)
  if(VEX3D_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
