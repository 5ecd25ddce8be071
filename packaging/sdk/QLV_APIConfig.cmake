# find_package(QLV_API) gives the imported target QLV::API: the camera library and its header.
include("${CMAKE_CURRENT_LIST_DIR}/QLV_APITargets.cmake")
