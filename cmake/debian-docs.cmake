# Run by CPack on the staged package before it is packed (CPACK_PRE_BUILD_SCRIPTS):
# adds what a Debian package must carry besides the installed files, keeps the
# manual page compressed and strips the programs as Debian's tools would.
#
#   usr/share/doc/orvdemo/copyright      the copyright notice, as it is
#   usr/share/doc/orvdemo/changelog.gz   the package's changelog
#   usr/share/man/man1/orvdemo.1.gz      the manual page
#   usr/bin/*                            without the compiler's .comment and .note
#                                        sections (CPack's strip keeps them)
#
# gzip -n leaves out the name and time, so the same files give the same package.
set(stage "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT IS_DIRECTORY "${stage}/bin")
  message(FATAL_ERROR "no staged package in ${stage}")
endif()

function(orv_gzip from to)
  execute_process(COMMAND gzip -9nc "${from}" OUTPUT_FILE "${to}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip of ${from} failed")
  endif()
  file(CHMOD "${to}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()

set(doc "${stage}/share/doc/orvdemo")
file(MAKE_DIRECTORY "${doc}")
file(COPY_FILE "${CPACK_ORV_DEBIAN_DIR}/copyright" "${doc}/copyright")
file(CHMOD "${doc}/copyright" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
orv_gzip("${CPACK_ORV_DEBIAN_DIR}/changelog" "${doc}/changelog.gz")

file(GLOB pages "${stage}/share/man/man*/*.[1-9]")
foreach(page IN LISTS pages)
  orv_gzip("${page}" "${page}.gz")
  file(REMOVE "${page}")
endforeach()

file(GLOB programs "${stage}/bin/*")
foreach(program IN LISTS programs)
  execute_process(COMMAND strip --remove-section=.comment --remove-section=.note "${program}"
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "strip of ${program} failed")
  endif()
endforeach()
