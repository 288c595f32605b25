if(VEX3D_SANITIZE)
  set(_vex3d_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_compile_options(${_vex3d_san})
  add_link_options(${_vex3d_san})
endif()
if(VEX3D_FUZZ)
  # Coverage instrumentation for the libraries the harnesses drive.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
