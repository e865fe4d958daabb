# varno_add_library(NAME EXPORT_NAME MACRO HEADER SOURCES...): one of the
# project's shared libraries, with its alias Varno::EXPORT_NAME and its
# export macro MACRO in the generated header HEADER (under the build's
# include/, beside the folder the library's headers live in); the
# repository root and that include folder are on its users' include path.
function(varno_add_library name export_name macro header)
  add_library(${name} SHARED ${ARGN})
  add_library(Varno::${export_name} ALIAS ${name})
  generate_export_header(${name} EXPORT_MACRO_NAME ${macro} EXPORT_FILE_NAME ${CMAKE_BINARY_DIR}/include/${header})
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
                                            $<BUILD_INTERFACE:${CMAKE_BINARY_DIR}/include>)
endfunction()
