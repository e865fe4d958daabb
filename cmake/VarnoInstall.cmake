# What `cmake --install` puts under the prefix, in two components:
#   Runtime      the four shared libraries, varnocsv, its man page and bash
#                completion
#   Development  the public headers, the libraries' unversioned links, the
#                CMake package (find_package(VarnoCSVMgr)) and a pkg-config file
# Headers are installed under include/VarnoCSVMgr/, keeping the folders the
# code includes them by ("platform/CString.h"), so that generic folder names
# such as "platform" and "store" do not land in /usr/include itself.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VARNO_INCLUDE_SUBDIR VarnoCSVMgr)
# The libraries' ABI version, libVarnoCSVMgr.so.<VARNO_SOVERSION>: raise it
# with every release that changes an exported class or function in a way
# that breaks programs built against the previous one.
set(VARNO_SOVERSION 0)

set_target_properties(VarnoPlatform PROPERTIES EXPORT_NAME Platform)
set_target_properties(VarnoDataMgr PROPERTIES EXPORT_NAME DataMgr)
set_target_properties(VarnoCSVMgr PROPERTIES EXPORT_NAME CSVMgr)
set_target_properties(VarnoHost PROPERTIES EXPORT_NAME Host)
set_target_properties(VarnoPlatform VarnoDataMgr VarnoCSVMgr VarnoHost PROPERTIES
  VERSION ${PROJECT_VERSION} SOVERSION ${VARNO_SOVERSION})
# The public headers are C++20; programs that use them compile as C++20 too.
target_compile_features(VarnoPlatform PUBLIC cxx_std_20)
set(VARNO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VarnoCSVMgr)

# The installed varnocsv and libraries find their neighbours relative to
# themselves, so a prefix can be moved or unpacked anywhere; in a system
# library folder (/usr/lib/x86_64-linux-gnu) the loader finds them already.
list(FIND CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES "${CMAKE_INSTALL_FULL_LIBDIR}" varno_system_libdir)
if(varno_system_libdir EQUAL -1)
  file(RELATIVE_PATH varno_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  set_target_properties(varnocsv PROPERTIES INSTALL_RPATH "$ORIGIN/${varno_bin_to_lib}")
  set_target_properties(VarnoDataMgr VarnoCSVMgr VarnoHost PROPERTIES INSTALL_RPATH "$ORIGIN")
endif()

# The public headers, listed one by one: every header of the libraries except
# the private ones (*_p.h).
# A public header must include only public headers, which .ci/run checks by
# compiling all of them against the installed prefix alone.
set(VARNO_PUBLIC_HEADERS
  platform/CArray.h platform/CFile.h platform/CObArray.h platform/CObject.h
  platform/COleDateTime.h platform/CString.h platform/CStringArray.h
  platform/CStringList.h platform/CodePage.h platform/DateParser.h
  platform/Locale.h platform/Numbers.h platform/Progress.h
  store/Calendar.h store/Calendars.h store/Contact.h store/ContactEvent.h
  store/ContactGroup.h store/ContactGroupPair.h store/ContactGroupPairs.h
  store/ContactGroups.h store/Contacts.h store/Email.h store/Message.h
  store/MessageNumber.h store/Messages.h store/MsgEmail.h
  store/MsgEmailAddress.h store/MsgEmails.h store/Organization.h
  store/PostalAddress.h store/RecordCollection.h store/RecordState.h
  store/History.h store/Store.h store/TelephoneNumber.h store/URL.h
  engine/CSVInspect.h engine/CSVItem.h engine/CSVLayout.h
  converters/CSVCalendar.h converters/CSVContact.h converters/CSVEmail.h
  converters/CSVMemo.h converters/CSVMessage.h converters/CSVTodo.h
  manager/CSVMng.h manager/CSVPipelinedMng.h manager/CSVRecordTypes.h
  host/Charset.h host/DateCells.h host/FieldGuide.h host/FileFormats.h host/HeaderGuess.h
  host/ICalendar.h host/Input.h host/LayoutRow.h host/Listing.h host/Mapping.h host/PhoneCells.h
  host/ReadPlan.h host/Registry.h host/Session.h host/StoreFailureText.h host/Utf16.h host/VCard.h)
# The export macros' headers, generated into the build tree.
set(VARNO_GENERATED_HEADERS
  platform/varnoplatform_export.h store/varnodatamgr_export.h manager/varnocsvmgr_export.h
  host/varnohost_export.h)

set(varno_include_dest ${CMAKE_INSTALL_INCLUDEDIR}/${VARNO_INCLUDE_SUBDIR})
foreach(header IN LISTS VARNO_PUBLIC_HEADERS VARNO_GENERATED_HEADERS)
  get_filename_component(folder ${header} DIRECTORY)
  if(header IN_LIST VARNO_GENERATED_HEADERS)
    set(header ${CMAKE_BINARY_DIR}/include/${header})
  endif()
  install(FILES ${header} DESTINATION ${varno_include_dest}/${folder} COMPONENT Development)
endforeach()
foreach(library VarnoPlatform VarnoDataMgr VarnoCSVMgr VarnoHost)
  target_include_directories(${library} INTERFACE $<INSTALL_INTERFACE:${varno_include_dest}>)
endforeach()

install(TARGETS VarnoPlatform VarnoDataMgr VarnoCSVMgr VarnoHost
  EXPORT VarnoCSVMgrTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT Runtime
    NAMELINK_COMPONENT Development)
install(TARGETS varnocsv RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
configure_file(cli/varnocsv.1.in ${CMAKE_CURRENT_BINARY_DIR}/varnocsv.1 @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/varnocsv.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Runtime)
install(FILES cli/varnocsv.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME varnocsv COMPONENT Runtime)

# The CMake package: Varno::Platform, Varno::DataMgr, Varno::CSVMgr,
# Varno::Host. ICU, SQLite and nlohmann-json are private to the shared
# libraries (no public header names them), so a consumer needs none found.
install(EXPORT VarnoCSVMgrTargets
  NAMESPACE Varno::
  FILE VarnoCSVMgrTargets.cmake
  DESTINATION ${VARNO_CMAKE_DIR}
  COMPONENT Development)
configure_package_config_file(cmake/VarnoCSVMgrConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/VarnoCSVMgrConfig.cmake
  INSTALL_DESTINATION ${VARNO_CMAKE_DIR})
# Until 1.0 a minor version may change the interface.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VarnoCSVMgrConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/VarnoCSVMgrConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/VarnoCSVMgrConfigVersion.cmake
  DESTINATION ${VARNO_CMAKE_DIR}
  COMPONENT Development)

# pkg-config: varnocsvmgr for the library and its store, varnohost for the
# host library on top of them. The prefix is
# found from the file's own place (${pcfiledir}), so the file stays right
# under whatever prefix `cmake --install --prefix` chose.
file(RELATIVE_PATH VARNO_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" VARNO_PC_TO_PREFIX "${VARNO_PC_TO_PREFIX}")
configure_file(cmake/varnocsvmgr.pc.in ${CMAKE_CURRENT_BINARY_DIR}/varnocsvmgr.pc @ONLY)
configure_file(cmake/varnohost.pc.in ${CMAKE_CURRENT_BINARY_DIR}/varnohost.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/varnocsvmgr.pc ${CMAKE_CURRENT_BINARY_DIR}/varnohost.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT Development)
