# quillon_version.h carries the project version into the public header, so callers can check at
# compile time which interface they build against. It is generated into the build tree and
# installed beside quillon.h.
set(QUILLON_GENERATED_INCLUDE_DIR ${PROJECT_BINARY_DIR}/include)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quillon_version.h.in
               ${QUILLON_GENERATED_INCLUDE_DIR}/quillon_version.h @ONLY)

# The public headers' directories: the written one and the generated one.
set(QUILLON_PUBLIC_INCLUDE_DIRS ${PROJECT_SOURCE_DIR}/include ${QUILLON_GENERATED_INCLUDE_DIR})
