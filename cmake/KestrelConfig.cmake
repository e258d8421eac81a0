# find_package(Kestrel CONFIG) gives Kestrel::kestrel: the static engine library,
# its include directory (code writes #include "engine/...") and the libraries it
# links: SDL_image (with SDL), GLEW, OpenGL, GLU and FreeType.
include(CMakeFindDependencyMacro)
if(NOT DEFINED OpenGL_GL_PREFERENCE)
  set(OpenGL_GL_PREFERENCE GLVND)
endif()
find_dependency(OpenGL)
find_dependency(GLEW)
find_dependency(Freetype)
find_dependency(PkgConfig)
pkg_check_modules(KESTREL_SDL_IMAGE QUIET IMPORTED_TARGET SDL_image)
if(NOT KESTREL_SDL_IMAGE_FOUND OR NOT TARGET OpenGL::GLU)
  set(Kestrel_FOUND FALSE)
  set(Kestrel_NOT_FOUND_MESSAGE "Kestrel needs SDL_image (pkg-config module SDL_image) and GLU")
  return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/KestrelTargets.cmake)
