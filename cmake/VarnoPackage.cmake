# Debian packages made by CPack from the install components (scripts/package.sh
# configures a build for the prefix /usr and runs it):
#   varnocsv            Runtime: varnocsv, the four libraries, man page, completion
#   libvarnocsvmgr-dev  Development: headers, CMake package, pkg-config file
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnocsv)
set(CPACK_PACKAGE_VENDOR "VarnoCSVMgr")
set(CPACK_PACKAGE_CONTACT "VarnoCSVMgr maintainers <maintainers@varnocsvmgr.example>"
  CACHE STRING "The Maintainer field of the Debian packages")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Runtime Development)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME varnocsv)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION utils)
# Descriptions: the summary line, then the text (CPack indents and wraps it).
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "moves personal-information records between a store and CSV files
varnocsv imports contacts and their groups, calendar entries, to-do items, \
memos, text messages and e-mails from comma- or tab-separated files into an \
SQLite store and exports them again in fixed column layouts. The package \
holds the command and the shared libraries it is built on.")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libvarnocsvmgr-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "VarnoCSVMgr libraries: development files
Headers, the CMake package (find_package(VarnoCSVMgr)) and the pkg-config \
modules (varnocsvmgr, varnohost) for programs built against the libraries of \
varnocsv.")
# The headers package pins the libraries of exactly its own version.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

# Runtime dependencies: dpkg-shlibdeps reads them off the binaries (libc6,
# libstdc++6, libicu<N>, libsqlite3-0) where it is installed (dpkg-dev);
# otherwise they are named here after the ICU found at configure time.
find_program(VARNO_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VARNO_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Our own libraries are in the package being built, not yet on the system.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
else()
  string(REGEX MATCH "^[0-9]+" varno_icu_major "${ICU_VERSION}")
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1, libicu${varno_icu_major}, libsqlite3-0, libphonenumber8, libical3")
endif()
# A shlibs file for packages built against ours, and an ldconfig trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)

include(CPack)
cpack_add_component(Runtime DISPLAY_NAME "varnocsv and its libraries")
cpack_add_component(Development DISPLAY_NAME "Development files" DEPENDS Runtime)
