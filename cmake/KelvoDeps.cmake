# Imported targets for the system libraries, found once for every component.
pkg_check_modules(LIBCRYPTO REQUIRED IMPORTED_TARGET libcrypto)
pkg_check_modules(LIBYUV IMPORTED_TARGET libyuv)
pkg_check_modules(LIBJPEG REQUIRED IMPORTED_TARGET libjpeg)
pkg_check_modules(LIBAV REQUIRED IMPORTED_TARGET libavcodec libavformat libavutil libswscale libswresample)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2 SDL2_ttf SDL2_image SDL2_mixer)

# Debian ships TinyXML 1 without a pkg-config file.
find_path(TINYXML_INCLUDE_DIR tinyxml.h REQUIRED)
find_library(TINYXML_LIBRARY tinyxml REQUIRED)
add_library(kelvo_tinyxml INTERFACE)
target_include_directories(kelvo_tinyxml INTERFACE ${TINYXML_INCLUDE_DIR})
target_link_libraries(kelvo_tinyxml INTERFACE ${TINYXML_LIBRARY})
target_compile_definitions(kelvo_tinyxml INTERFACE TIXML_USE_STL)

# libyuv on Debian may lack a .pc file.
if(NOT LIBYUV_FOUND)
  find_path(YUV_INCLUDE_DIR libyuv.h REQUIRED)
  find_library(YUV_LIBRARY yuv REQUIRED)
  add_library(kelvo_yuv INTERFACE)
  target_include_directories(kelvo_yuv INTERFACE ${YUV_INCLUDE_DIR})
  target_link_libraries(kelvo_yuv INTERFACE ${YUV_LIBRARY})
else()
  add_library(kelvo_yuv INTERFACE)
  target_link_libraries(kelvo_yuv INTERFACE PkgConfig::LIBYUV)
endif()
