# Run at install time, when the prefix is known: `cmake --install` takes its
# own, and the Debian package installs into /usr. The manual page names the
# installed documentation, the pkg-config file the installed toolkit.
# Expects MARL_SOURCE, MARL_BINARY, MARL_VERSION and the GNUInstallDirs
# folders (relative) MARL_INCLUDEDIR, MARL_LIBDIR, MARL_MANDIR, MARL_DOCDIR.
set(MARL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(generated "${MARL_BINARY}/install-generated")
file(MAKE_DIRECTORY "${generated}")

# The manual page says /usr/share/doc/marlsim; an install elsewhere says
# where its documentation went. Compressed, as manual pages are installed.
file(READ "${MARL_SOURCE}/docs/marlsim.1" page)
string(REPLACE "-" "\\-" docdir "${MARL_PREFIX}/${MARL_DOCDIR}")
string(REPLACE "/usr/share/doc/marlsim" "${docdir}" page "${page}")
file(WRITE "${generated}/marlsim.1" "${page}")
file(WRITE "${generated}/marlsim-demo-host.1" ".so man1/marlsim.1\n")
foreach(page marlsim.1 marlsim-demo-host.1)
  execute_process(COMMAND gzip -9nf "${generated}/${page}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${page} failed")
  endif()
endforeach()
file(INSTALL "${generated}/marlsim.1.gz" "${generated}/marlsim-demo-host.1.gz"
  DESTINATION "${MARL_PREFIX}/${MARL_MANDIR}/man1")

configure_file("${MARL_SOURCE}/packaging/marlsim-host.pc.in" "${generated}/marlsim-host.pc" @ONLY)
file(INSTALL "${generated}/marlsim-host.pc" DESTINATION "${MARL_PREFIX}/${MARL_LIBDIR}/pkgconfig")

# Debian's changelog, compressed without a time stamp so the package is the
# same from build to build.
file(COPY_FILE "${MARL_SOURCE}/packaging/debian/changelog" "${generated}/changelog.Debian")
execute_process(COMMAND gzip -9nf "${generated}/changelog.Debian" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip changelog.Debian failed")
endif()
file(INSTALL "${generated}/changelog.Debian.gz" DESTINATION "${MARL_PREFIX}/${MARL_DOCDIR}")
