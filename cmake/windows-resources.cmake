# Gives vandlor2.exe a version resource (what Explorer shows under Properties > Details) and an
# application manifest, both compiled by windres from packaging/windows/ with the project
# version filled in.
enable_language(RC)

# The four numbers of a Windows file version; the parts the project version lacks are 0.
set(vandlor2_version_numbers "")
foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    list(APPEND vandlor2_version_numbers 0)
  else()
    list(APPEND vandlor2_version_numbers ${PROJECT_VERSION_${part}})
  endif()
endforeach()
list(JOIN vandlor2_version_numbers "," VANDLOR2_VERSION_COMMAS)
list(JOIN vandlor2_version_numbers "." VANDLOR2_VERSION_DOTS)

configure_file(packaging/windows/vandlor2.exe.manifest.in generated/vandlor2.exe.manifest
               @ONLY)
set(VANDLOR2_MANIFEST ${PROJECT_BINARY_DIR}/generated/vandlor2.exe.manifest)
configure_file(packaging/windows/vandlor2.rc.in generated/vandlor2.rc @ONLY)
target_sources(vandlor2 PRIVATE ${PROJECT_BINARY_DIR}/generated/vandlor2.rc)
set_property(SOURCE ${PROJECT_BINARY_DIR}/generated/vandlor2.rc APPEND PROPERTY OBJECT_DEPENDS
             ${VANDLOR2_MANIFEST})
