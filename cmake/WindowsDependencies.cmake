# The libraries of the Windows build. CLI11 and nlohmann-json are headers
# only: their Debian headers are used through a folder of their own, so that
# the rest of /usr/include (the Linux C library) stays out of the cross build.
# GoogleTest is built from the sources Debian ships in /usr/src/googletest.
set(MIGWIZ_HOST_INCLUDE ${PROJECT_BINARY_DIR}/host-include)
file(MAKE_DIRECTORY ${MIGWIZ_HOST_INCLUDE})
foreach(dir CLI nlohmann)
  if(NOT EXISTS /usr/include/${dir})
    message(FATAL_ERROR "/usr/include/${dir} is missing: run scripts/install-deps.sh")
  endif()
  file(CREATE_LINK /usr/include/${dir} ${MIGWIZ_HOST_INCLUDE}/${dir} SYMBOLIC)
endforeach()
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${MIGWIZ_HOST_INCLUDE})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${MIGWIZ_HOST_INCLUDE})

if(MIGWIZ_BUILD_TESTS)
  set(MIGWIZ_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (libgtest-dev)")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  # It names its libraries GTest::gtest and GTest::gtest_main itself.
  add_subdirectory(${MIGWIZ_GTEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
