# Read by cpack before each package it makes. A Debian package needs `file`
# to find the binaries and dpkg-shlibdeps to give them their dependencies;
# without the second, CPack would still make a package, one that declares
# none. Better to stop and say what is missing.
if(CPACK_GENERATOR STREQUAL "DEB")
  foreach(tool file dpkg-shlibdeps)
    find_program(romweld_found_${tool} ${tool})
    if(NOT romweld_found_${tool})
      message(FATAL_ERROR "The Debian package needs `${tool}`: apt-get install file dpkg-dev")
    endif()
  endforeach()
endif()
