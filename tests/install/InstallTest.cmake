# Installs the build into a fresh DESTDIR and checks that every file is where
# it belongs and that the installed programs run.
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DGUI=ON|OFF -DVERSION=... -P InstallTest.cmake
set(destdir "${WORK_DIR}/destdir")
file(REMOVE_RECURSE "${destdir}")
set(ENV{DESTDIR} "${destdir}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix /usr
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${status}):\n${out}\n${err}")
endif()

set(expected
  usr/bin/migwiz
  usr/share/man/man1/migwiz.1
  usr/share/bash-completion/completions/migwiz
  usr/share/doc/migwiz/LICENSE
  usr/share/doc/migwiz/README.md
  usr/share/doc/migwiz/run-report.schema.json)
if(GUI)
  list(APPEND expected
    usr/bin/migwiz-wizard
    usr/bin/migwiz-ide
    usr/lib/migwiz/plugins/libmigwiz-expert.so
    usr/share/man/man1/migwiz-wizard.1
    usr/share/man/man1/migwiz-ide.1
    usr/share/applications/migwiz-wizard.desktop
    usr/share/icons/hicolor/scalable/apps/migwiz-wizard.svg)
endif()
set(missing "")
foreach(f IN LISTS expected)
  if(NOT EXISTS "${destdir}/${f}")
    string(APPEND missing " ${f}")
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "not installed:${missing}")
endif()

# Nothing may land outside the prefix.
file(GLOB top RELATIVE "${destdir}" "${destdir}/*")
if(NOT top STREQUAL "usr")
  message(FATAL_ERROR "installed outside /usr: ${top}")
endif()

set(programs migwiz)
if(GUI)
  list(APPEND programs migwiz-wizard migwiz-ide)
endif()
foreach(p IN LISTS programs)
  execute_process(COMMAND "${destdir}/usr/bin/${p}" --version RESULT_VARIABLE status
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT out STREQUAL "${p} ${VERSION}\n")
    message(FATAL_ERROR "${p} --version: status ${status}, printed '${out}' '${err}'")
  endif()
endforeach()

if(GUI)
  file(READ "${destdir}/usr/share/applications/migwiz-wizard.desktop" desktop)
  if(NOT desktop MATCHES "\nExec=migwiz-wizard")
    message(FATAL_ERROR "the desktop file does not start migwiz-wizard")
  endif()

  # The installed host finds the installed wizard library by itself, and the
  # library registers its wizard: no plug-in folder from the environment.
  set(config "${WORK_DIR}/config")
  file(REMOVE_RECURSE "${config}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env --unset=MIGWIZ_PLUGIN_PATH QT_QPA_PLATFORM=offscreen
                          "XDG_CONFIG_HOME=${config}" "${destdir}/usr/bin/migwiz-ide" --list-plugins
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(listed "${destdir}/usr/lib/migwiz/plugins/libmigwiz-expert.so
  BDE Migration Wizard (Corvane.BDEMigrationWizard.Tarnbase)
")
  if(NOT status EQUAL 0 OR NOT out STREQUAL listed)
    message(FATAL_ERROR "migwiz-ide --list-plugins: status ${status}, printed '${out}' '${err}'")
  endif()
  file(REMOVE_RECURSE "${config}")
endif()
file(REMOVE_RECURSE "${destdir}")
